#pragma once

#include "app/signature.h"
#include "app/transfer.h"
#include "platform/shared_library.h"

#include <string>

// The file names of the libraries the update check loads.
struct UpdateLibraryNames {
    std::string curl;
    std::string sodium;
};

// The libraries that only the update check needs, loaded at run time so that starting the main
// program never waits for them. Their functions stay usable while the object lives.
class CUpdateLibraries {
  public:
    // Loads libcurl, and libsodium too when withSodium, and looks up their functions. False when
    // a library or one of its functions is missing.
    bool Load(const UpdateLibraryNames& names, bool withSodium);

    CurlFunctions curl;
    SodiumFunctions sodium;

  private:
    CSharedLibrary m_curlLibrary;
    CSharedLibrary m_sodiumLibrary;
};
