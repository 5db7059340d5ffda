#include "app/updater_app.h"

// The one application object; the server's address, the stall limit, the signing key, the
// trusted authorities and the names of the libraries loaded for the update check are fixed at
// build time.
CUpDateApp theApp(UPDATER_BASE_URL,
                  TransferLimits{15, UPDATER_STALL_SECONDS, UPDATER_LOW_SPEED_BYTES},
                  UPDATER_PUBLIC_KEY, UPDATER_CA_FILE,
                  UpdateLibraryNames{UPDATER_CURL_LIBRARY, UPDATER_SODIUM_LIBRARY});

int main() {
    theApp.InitInstance();
    return theApp.ExitInstance();
}
