#include "platform/rtmidi/portnames.h"

#include <iterator>
#include <utility>

namespace portnames {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWith(const std::string& text, size_t at, const char* start) {
    return text.compare(at, std::char_traits<char>::length(start), start) == 0;
}

// Moves `end` back over the digits just before it (at most 9, so that they make an int); true
// when there was at least one, and sets `value` to them.
bool numberBack(const std::string& text, size_t& end, int& value) {
    const size_t from = end;
    while (end > 0 && from - end < 9 && isDigit(text[end - 1])) --end;
    if (end == from || (end > 0 && isDigit(text[end - 1]))) return false;
    value = std::stoi(text.substr(end, from - end));
    return true;
}

}  // namespace

size_t alsaAddressAt(const std::string& portName, int& client, int& port) {
    size_t end = portName.size();
    if (!numberBack(portName, end, port) || end == 0 || portName[end - 1] != ':') return std::string::npos;
    --end;
    if (!numberBack(portName, end, client) || end == 0 || portName[end - 1] != ' ') return std::string::npos;
    return end - 1;
}

std::string shownPortName(MidiApi api, const std::string& portName) {
    if (api != MidiApi::Alsa) return portName;
    int client = 0, port = 0;
    const size_t end = alsaAddressAt(portName, client, port);
    // Never an empty name: it would mean "none".
    return end != std::string::npos && end > 0 ? portName.substr(0, end) : portName;
}

bool isThroughPort(MidiApi api, const std::string& portName) {
    if (api == MidiApi::Alsa) return startsWith(portName, 0, "Midi Through:");
    const size_t colon = portName.find(':');
    if (colon == std::string::npos) return false;
    const size_t after = colon + 1;
    if (!startsWith(portName, after, "Midi Through")) return false;
    const size_t rest = after + std::char_traits<char>::length("Midi Through");
    return startsWith(portName, rest, " [") || startsWith(portName, rest, " (") || startsWith(portName, rest, ":");
}

std::vector<ListedPort> arrangePorts(const std::vector<SystemPorts>& systems, const std::string& ownPrefix) {
    const bool marked = systems.size() > 1;
    std::vector<ListedPort> real, through;
    for (size_t s = 0; s < systems.size(); ++s) {
        const SystemPorts& system = systems[s];
        for (const std::string& name : system.portNames) {
            if (name.empty() || (!ownPrefix.empty() && name.compare(0, ownPrefix.size(), ownPrefix) == 0)) continue;
            const std::string shown = shownPortName(system.api, name);
            ListedPort port{s, name, marked ? system.label + ": " + shown : shown};
            (isThroughPort(system.api, name) ? through : real).push_back(std::move(port));
        }
    }
    real.insert(real.end(), std::make_move_iterator(through.begin()), std::make_move_iterator(through.end()));
    return real;
}

}  // namespace portnames
