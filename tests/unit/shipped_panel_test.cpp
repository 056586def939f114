// The panel shipped in data/KtProg.DAT: it loads without a word, keeps the editor's fixed
// numbering, fits the screen, and nothing drawn on it overlaps anything else, whatever the
// effect type shows in the effect field.
#include "editor_fixture.h"

#include "editor/preset/effects.h"

#ifndef KT_SOURCE_DIR
#error "KT_SOURCE_DIR must name the repository"
#endif

namespace {

struct Box {
    int x1, y1, x2, y2;  // inclusive
    std::string what;
};

bool overlap(const Box& a, const Box& b) { return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2; }

class ShippedPanelTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        std::filesystem::copy_file(std::string(KT_SOURCE_DIR) + "/data/KtProg.DAT", path("KtProg.DAT"));
        ASSERT_TRUE(runs([] { loadDeclarationFile("KtProg"); startDeclaredProgram(); }));
    }

    static Box textBox(int centreX, int y, size_t length, bool large, const std::string& what) {
        const int half = large ? 4 : 3;
        const int top = large ? y - 6 : y - 4;
        return {centreX - half * static_cast<int>(length), top, centreX + half * static_cast<int>(length) - 1,
                top + (large ? 7 : 5), what};
    }

    // Everything a pot draws: its image, its title (unless " ") and its caption lines.
    std::vector<Box> potBoxes() const {
        std::vector<Box> boxes;
        const int st = SliderTravel;
        for (int f = 0; f < FieldCount; ++f) {
            for (int p = 0; p < FieldPotCount[f]; ++p) {
                const int x = FieldX[f] + FieldStep[f] * p, y = FieldY[f];
                const std::string who = "field " + std::to_string(f) + " pot " + std::to_string(p);
                boxes.push_back({x, y, x + 36, y + st + 54, who + " image"});
                const std::string& title = PotTitle[f][p];
                if (title != " ") {
                    boxes.push_back({x + 19 - 4 * static_cast<int>(title.size()), y - 11,
                                     x + 19 + 4 * static_cast<int>(title.size()) - 1, y - 4, who + " title"});
                }
                const std::string& caption = PotCaption[f][p];
                const size_t bar = caption.find('|');
                const std::string first = caption.substr(0, bar);
                boxes.push_back(textBox(x + 19, y + st + 63, first.size(), false, who + " caption"));
                if (bar != std::string::npos) {
                    boxes.push_back(textBox(x + 19, y + st + 71, caption.size() - bar - 1, false, who + " caption 2"));
                }
            }
        }
        return boxes;
    }

    std::vector<Box> labelBoxes() const {
        std::vector<Box> boxes;
        for (size_t i = 0; i < PanelLabels.size(); ++i) {
            const PanelLabel& l = PanelLabels[i];
            boxes.push_back(textBox(l.x, l.y, l.text.size(), l.size > 6, "label " + std::to_string(i)));
        }
        return boxes;
    }

    Box keyboardBox() const { return {10, WindowHeight - 140, 10 + 23 * 23, WindowHeight - 50, "keyboard"}; }
};

TEST_F(ShippedPanelTest, LoadsSilentlyWithTheFixedNumbering) {
    EXPECT_TRUE(Out.str().empty()) << Out.str();
    EXPECT_EQ(ParameterCount, 104);
    EXPECT_EQ(FieldPotCount.at(EffectField), 15);
    int f = 0, p = 0;
    ASSERT_TRUE(parameterPot(EffectTypeParameter, f, p));
    EXPECT_EQ(f, EffectField);
    EXPECT_EQ(p, 0);
    EXPECT_EQ(PotMin[f][p], 0);
    EXPECT_EQ(PotMax[f][p], 3);
    EXPECT_GE(PanelLabels.size(), 22u);
    EXPECT_GE(SliderTravel, 64);
    EXPECT_GE(WindowX, 0);
    EXPECT_GE(WindowY, 0);
    EXPECT_LE(WindowX + WindowWidth, 1366);
    EXPECT_LE(WindowY + WindowHeight, 768 - 40);  // above a taskbar
    for (int field = 0; field < FieldCount; ++field) {
        for (int pot = 0; pot < FieldPotCount[field]; ++pot) {
            EXPECT_LT(PotMin[field][pot], PotMax[field][pot]);
            EXPECT_GE(PotDefault[field][pot], PotMin[field][pot]);
            EXPECT_LE(PotDefault[field][pot], PotMax[field][pot]);
        }
    }
}

TEST_F(ShippedPanelTest, NothingOverlapsWithAnyEffectType) {
    for (int type = 0; type < EffectTypeCount; ++type) {
        SCOPED_TRACE("effect type " + std::to_string(type));
        loadEffectTables(type);
        std::vector<Box> boxes = potBoxes();
        std::vector<Box> labels = labelBoxes();
        boxes.insert(boxes.end(), labels.begin(), labels.end());
        boxes.push_back(keyboardBox());
        int clashes = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                if (overlap(boxes[i], boxes[j]) && ++clashes <= 10) {
                    ADD_FAILURE() << boxes[i].what << " overlaps " << boxes[j].what;
                }
            }
        }
        // Everything lies in the client area that a Windows frame leaves visible.
        for (const Box& b : boxes) {
            EXPECT_GE(b.x1, 0) << b.what;
            EXPECT_GE(b.y1, 0) << b.what;
            EXPECT_LE(b.x2, WindowWidth - 17) << b.what;
            if (b.what != "keyboard") {
                EXPECT_LE(b.y2, WindowHeight - 52) << b.what;
            }
        }
        EXPECT_EQ(clashes, 0);
    }
}

TEST_F(ShippedPanelTest, LinesAndFramesTouchNoText) {
    std::vector<Box> texts = potBoxes();
    std::vector<Box> labels = labelBoxes();
    texts.insert(texts.end(), labels.begin(), labels.end());
    ASSERT_FALSE(PanelLines.empty());
    for (size_t i = 0; i < PanelLines.size(); ++i) {
        const PanelLine& l = PanelLines[i];
        std::vector<Box> strips;
        if (l.style <= 10) {
            const int pen = std::max<int>(l.style, 1);
            strips.push_back({std::min(l.x1, l.x2) - pen, std::min(l.y1, l.y2) - pen, std::max(l.x1, l.x2) + pen,
                              std::max(l.y1, l.y2) + pen, "line"});
        } else {
            const int pen = l.style - 10;
            const int x2 = l.x1 + l.x2, y2 = l.y1 + l.y2;
            strips.push_back({l.x1 - pen, l.y1 - pen, x2 + pen, l.y1 + pen, "top"});
            strips.push_back({l.x1 - pen, y2 - pen, x2 + pen, y2 + pen, "bottom"});
            strips.push_back({l.x1 - pen, l.y1 - pen, l.x1 + pen, y2 + pen, "left"});
            strips.push_back({x2 - pen, l.y1 - pen, x2 + pen, y2 + pen, "right"});
        }
        for (const Box& s : strips) {
            for (const Box& t : texts) {
                EXPECT_FALSE(overlap(s, t)) << "line " << i << " (" << s.what << ") touches " << t.what;
            }
        }
    }
}

}  // namespace
