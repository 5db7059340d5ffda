#pragma once

#include "signed_update.h"

#include <map>
#include <string>

// An installation of 1.0.0 as its package installs it, and a server folder offering 1.0.1 as a
// signed package and a delta from 1.0.0, both made by publish.
class DeltaUpdateTest : public SignedUpdateTest {
  protected:
    void SetUp() override;

    // Installation and server folder as SetUp left them.
    void Restore();
    // The delta's name on the server.
    static std::string DeltaName() { return "1.0.1.from-1.0.0.zip"; }
    // The installed tree, folders without their times (the files made in them set those).
    static std::map<std::string, std::string> InstalledTree(const std::string& folder);

    std::string m_pristine; // copies of the installation and the server folder
};
