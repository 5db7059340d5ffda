#pragma once

#include <string>
#include <vector>

// The check an updater runs on the updater a package carries before that one takes its place:
// started with kSelfTestOption as its sole argument, the successor loads what an update needs,
// describes itself on its standard output and ends with status 0.
inline constexpr const char* kSelfTestOption = "--updater-self-test";
inline constexpr int kSelfTestSeconds = 10;

// What a self-test tells of the updater that ran it.
struct SelfTestReport {
    std::string version;
    std::string servers;             // its base URLs, separated by spaces
    std::vector<std::string> keyIds; // none: it installs unsigned updates
};

std::string SelfTestText(const SelfTestReport& report);
// False unless text is exactly what SelfTestText writes for some report.
bool ParseSelfTestText(const std::string& text, SelfTestReport& report);

enum class UpdaterVerdict {
    Qualified,
    NotARegularFile, // missing, a link, a folder or another kind of file
    NotExecutable,
    DidNotStart,    // not a program this system can execute
    DidNotEnd,      // still running at the time limit
    Failed,         // ended by a signal or with a status other than 0
    Malformed,      // ended with status 0 but said something else than a self-test's text
    DropsSignatures // would install unsigned updates where signatures are required now
};

struct UpdaterQualification {
    UpdaterVerdict verdict = UpdaterVerdict::NotARegularFile;
    int status = -1; // the exit status, when it ended by itself
    SelfTestReport report;
};

// Runs the self-test of the updater file at path; requiresSignatures: whether the running
// updater does, which its successor must then do too.
UpdaterQualification QualifyUpdater(const std::string& path, bool requiresSignatures);

// One line of English for each verdict, for reports.
std::string UpdaterVerdictText(const UpdaterQualification& qualification);
