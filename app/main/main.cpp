#include "app/updater_app.h"

// The one application object; the server's address and the stall limit are fixed at build time.
CUpDateApp theApp(UPDATER_BASE_URL, TransferLimits{15, UPDATER_STALL_SECONDS});

int main() {
    theApp.InitInstance();
    return theApp.ExitInstance();
}
