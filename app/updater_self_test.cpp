#include "app/updater_self_test.h"

#include "platform/bounded_run.h"
#include "platform/file_system.h"
#include "platform/program_file.h"

#include <sstream>

namespace {

constexpr const char* kFirstLine = "updater self-test: passed";

// Splits off "name: value" as the next line; false when the line is not that.
bool ReadField(std::istringstream& in, const std::string& name, std::string& value) {
    std::string line;
    if (!std::getline(in, line) || !line.starts_with(name + ": "))
        return false;
    value = line.substr(name.size() + 2);
    return !value.empty();
}

} // namespace

std::string SelfTestText(const SelfTestReport& report) {
    std::string keys;
    for (const std::string& id : report.keyIds)
        keys += (keys.empty() ? "" : " ") + id;
    return std::string(kFirstLine) + "\nversion: " + report.version +
           "\nservers: " + report.servers + "\nkeys: " + (keys.empty() ? "none" : keys) + "\n";
}

bool ParseSelfTestText(const std::string& text, SelfTestReport& report) {
    std::istringstream in(text);
    std::string first, keys;
    if (!std::getline(in, first) || first != kFirstLine || !ReadField(in, "version", report.version) ||
        !ReadField(in, "servers", report.servers) || !ReadField(in, "keys", keys))
        return false;
    report.keyIds.clear();
    if (keys != "none") {
        std::istringstream ids(keys);
        for (std::string id; ids >> id;)
            report.keyIds.push_back(id);
    }
    return SelfTestText(report) == text;
}

UpdaterQualification QualifyUpdater(const std::string& path, bool requiresSignatures) {
    UpdaterQualification result;
    const ProgramFileState file = InspectProgramFile(path);
    if (IsSymbolicLink(path) || !file.regularFile)
        return result;
    result.verdict = UpdaterVerdict::NotExecutable;
    if (!file.executable)
        return result;
    const BoundedRunResult run = RunBounded(path, {kSelfTestOption}, kSelfTestSeconds);
    result.status = run.status;
    result.verdict = !run.started                                ? UpdaterVerdict::DidNotStart
                     : !run.ended                                ? UpdaterVerdict::DidNotEnd
                     : !run.exited || run.status != 0            ? UpdaterVerdict::Failed
                     : !ParseSelfTestText(run.output, result.report) ? UpdaterVerdict::Malformed
                     : requiresSignatures && result.report.keyIds.empty()
                         ? UpdaterVerdict::DropsSignatures
                         : UpdaterVerdict::Qualified;
    return result;
}

std::string UpdaterVerdictText(const UpdaterQualification& qualification) {
    switch (qualification.verdict) {
    case UpdaterVerdict::Qualified:
        return "its self-test passed (version " + qualification.report.version + ")";
    case UpdaterVerdict::NotARegularFile:
        return "it is not a regular file";
    case UpdaterVerdict::NotExecutable:
        return "it is not executable";
    case UpdaterVerdict::DidNotStart:
        return "it cannot be started: not a program for this system";
    case UpdaterVerdict::DidNotEnd:
        return "its self-test did not end within " + std::to_string(kSelfTestSeconds) + " s";
    case UpdaterVerdict::Failed:
        return qualification.status < 0
                   ? std::string("its self-test was ended by a signal")
                   : "its self-test ended with status " + std::to_string(qualification.status);
    case UpdaterVerdict::Malformed:
        return "its self-test did not describe an updater";
    case UpdaterVerdict::DropsSignatures:
        return "it would install updates without signatures";
    }
    return "";
}
