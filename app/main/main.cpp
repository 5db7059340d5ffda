#include "app/updater_app.h"

// The one application object; the server's address, the stall limit, the signing key and the
// trusted authorities are fixed at build time.
CUpDateApp theApp(UPDATER_BASE_URL, TransferLimits{15, UPDATER_STALL_SECONDS}, UPDATER_PUBLIC_KEY,
                  UPDATER_CA_FILE);

int main() {
    theApp.InitInstance();
    return theApp.ExitInstance();
}
