#pragma once

// The options every tool answers alike: with the single argument --help, the usage (on standard
// output); with --version, the program's name and the project's version. True when one of them
// was answered and the tool should end with status 0.
bool AnswerInfoOption(int argc, char** argv, const char* program, const char* usage);
