#include "app/updater_app.h"
#include "app/updater_info.h"
#include "app/updater_self_test.h"
#include "app/user_messages.h"
#include "platform/own_path.h"
#include "updater_authorities.h"

#include <cstdio>
#include <string>

// The one application object; the server's address, the stall limit, the signing key, the
// trusted authorities and the names of the libraries loaded for the update check are fixed at
// build time.
CUpDateApp theApp(UPDATER_BASE_URL,
                  TransferLimits{15, UPDATER_STALL_SECONDS, UPDATER_LOW_SPEED_BYTES},
                  UPDATER_PUBLIC_KEY, kUpdaterAuthorities,
                  UpdateLibraryNames{UPDATER_CURL_LIBRARY, UPDATER_SODIUM_LIBRARY});

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == kSelfTestOption)
        return theApp.SelfTest(UPDATER_VERSION);
    if (argc == 2) {
        const std::string info = UpdaterInfoText(
            argv[1], UpdaterBuild{UPDATER_VERSION, UPDATER_BASE_URL, UPDATER_PUBLIC_KEY,
                                  *kUpdaterAuthorities != '\0'});
        if (!info.empty()) {
            std::fputs(info.c_str(), stdout);
            return 0;
        }
    }
    OpenUpdaterMessages(FolderOfPath(OwnExecutablePath()), UPDATER_LOCALE_DIR);
    theApp.SetProgramArguments({argv + 1, argv + argc});
    theApp.InitInstance();
    return theApp.ExitInstance();
}
