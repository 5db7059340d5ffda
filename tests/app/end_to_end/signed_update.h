#pragma once

#include "e2e_support.h"

#include <string>
#include <vector>

// An installation of 1.0.0, with an updater that requires signatures by the test publisher's
// key, and a server folder that can offer a signed 1.0.1.
class SignedUpdateTest : public EndToEndTest {
  public:
    // Signs files of the server folder with minisign and keys/KEY.key; legacy: over the file
    // itself ("Ed") rather than its hash ("ED").
    void Sign(const std::vector<std::string>& files, const std::string& key = "publisher",
              bool legacy = false);

  protected:
    std::string UpdaterProgram() const override { return E2E_SIGNED_UPDATER; }
    void SetUp() override;

    // Publishes 1.0.1 with record and package signed by the publisher.
    void PublishSigned(bool legacy = false);
    // config.xml text with the served record's signing time added, as an accepted record
    // leaves it.
    std::string WithRecordTime(std::string config) const;
    // The timestamp in the served record's signature.
    std::string RecordTimeOfServedRecord() const;
    // What a start that installs nothing must leave.
    void ExpectNothingInstalled(const UpdaterRun& run);
};
