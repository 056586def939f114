not a program
