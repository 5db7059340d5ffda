// updatecheck [--package] [--updater-name NAME] [FOLDER]: a dry run of one updater start for the installation in
// FOLDER (by default this program's own folder), printing what the updater would do and why.
#include "dry_run_printer.h"

#include "app/ansi_text.h"
#include "app/updater_app.h"
#include "platform/file_system.h"
#include "platform/own_path.h"
#include "updater_authorities.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp =
    "usage: updatecheck [--package] [--updater-name NAME] [FOLDER]\n"
    "       updatecheck --help | --version\n"
    "\n"
    "Runs the steps of one updater start for the installation in FOLDER (default: the folder\n"
    "this program lies in) and prints what the updater would do and why: config.xml, the\n"
    "program it would start, the lock, LastVersion, the server's record and its signature, the\n"
    "version comparison and the decision. Nothing is started, locked, removed, downloaded into\n"
    "FOLDER or changed. It uses the server address and key built into this program.\n"
    "\n"
    "  --package   also download an offered update's package into a temporary folder, verify\n"
    "              it (signature, declared sizes, main program) and list its entries, then\n"
    "              delete it; when it carries a new updater, run that one's self-test; a\n"
    "              delta offered from the installed version is downloaded too and applied\n"
    "              there, every file's size and hash checked\n"
    "  --updater-name NAME\n"
    "              the installation's updater file is called NAME (default: updater); a\n"
    "              package may carry a new updater under that name\n"
    "\n"
    "Exit status (the first problem in the order of the steps):\n"
    "  0  nothing to complain about: nothing to do, or an update would be installed\n"
    "  1  config.xml is missing or damaged\n"
    "  2  bad arguments\n"
    "  3  Version or Exe is missing, or the program to start is not an executable file\n"
    "  4  another updater holds the lock right now\n"
    "  5  LastVersion names something the updater never removes, or a process uses it\n"
    "  6  no usable record: transfer failed, HTTP error, no or unsafe Version, bad signature\n"
    "  7  --package: the package would not install\n"
    "  8  an update is offered but this user cannot write the installation folder\n";

int Usage() {
    std::fputs("usage: updatecheck [--package] [--updater-name NAME] [FOLDER]  (see updatecheck "
               "--help)\n",
               stderr);
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    bool checkPackage = false;
    std::string folder;
    std::string updaterName;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help") {
            std::fputs(kHelp, stdout);
            return kExitNothingWrong;
        }
        if (argument == "--version") {
            std::puts("updatecheck " UPDATECHECK_VERSION);
            return kExitNothingWrong;
        }
        if (argument == "--package" && !checkPackage)
            checkPackage = true;
        else if (argument == "--updater-name" && updaterName.empty() && i + 1 < arguments.size() &&
                 !arguments[i + 1].empty() && arguments[i + 1].find('/') == std::string::npos)
            updaterName = arguments[++i];
        else if (!argument.empty() && argument[0] != '-' && folder.empty())
            folder = argument;
        else
            return Usage();
    }
    folder = FullPathName(folder.empty() ? FolderOfPath(OwnExecutablePath()) : folder);
    if (folder.empty())
        return Usage();
    if (folder.back() != '/')
        folder += '/';

    CUpDateApp app(UPDATER_BASE_URL,
                   TransferLimits{15, UPDATER_STALL_SECONDS, UPDATER_LOW_SPEED_BYTES},
                   UPDATER_PUBLIC_KEY, kUpdaterAuthorities,
                   UpdateLibraryNames{UPDATER_CURL_LIBRARY, UPDATER_SODIUM_LIBRARY});
    CDryRunPrinter printer(stdout);
    std::printf("dry run of one updater start in %s (nothing is changed)\n", folder.c_str());
    std::printf("server: %s, signatures %s\n", UPDATER_BASE_URL,
                *UPDATER_PUBLIC_KEY ? "required (key " UPDATER_PUBLIC_KEY ")" : "not required");
    app.SetDryRun(AnsiToUtf16(folder), printer, checkPackage,
                  updaterName.empty() ? "updater" : updaterName);
    app.InitInstance();
    app.ExitInstance();
    printer.Finish();
    return printer.ExitStatus();
}
