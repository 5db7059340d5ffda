#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

// What one run of the updater left behind.
struct UpdaterRun {
    bool finished = false; // ended by itself within the bound
    int status = -1;       // its exit status when it did
    std::string standardOutput;
    std::string standardError;
    double seconds = 0;
};

// An updater run that has been started and not yet waited for.
struct StartedUpdater {
    pid_t pid = -1;
    std::string name; // its output goes to NAME.out and NAME.err in the test's folder
    std::chrono::steady_clock::time_point begin;
};

// One installation folder with the test build of the updater in it, a folder for the update
// server to serve, and a folder to start the updater from. Everything lives in a fresh
// temporary folder that goes at the end, and the server is stopped.
class EndToEndTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The updater build that SetUp puts into the installation folder.
    virtual std::string UpdaterProgram() const { return E2E_UPDATER; }

    const std::string& Inst() const { return m_inst; }
    const std::string& Served() const { return m_served; }
    const std::string& StartFolder() const { return m_cwd; }
    const std::string& Root() const { return m_root; }

    // config.xml with the three children in this order; the usual layout of the tests.
    static std::string ConfigText(const std::string& version, const std::string& exe,
                                  const std::string& lastVersion);
    void WriteConfig(const std::string& bytes);
    std::string ReadConfig() const;

    // A main program at Inst()/folder/exe that records, one line a start, the folder, its
    // argv[0], its argument count and its current folder.
    void AddMainProgram(const std::string& folder, const std::string& exe = "main");
    // The recorded starts, after waiting a bounded time for the first.
    std::vector<std::string> WaitForStarts();
    // The recorded starts after a short pause, for runs that must start nothing.
    std::vector<std::string> StartsAfterPause();
    // The line AddMainProgram's program writes when started from Inst()/folder/exe.
    std::string StartLine(const std::string& folder, const std::string& path) const;

    // Puts record.xml naming version and VERSION.zip holding a main program on the server.
    void Publish(const std::string& version, const std::string& exe = "main");
    void WriteRecord(const std::string& bytes);
    // Runs the package helper with these arguments after the output path.
    void MakePackage(const std::string& zipName, const std::vector<std::string>& arguments);
    // Runs a program (searched on PATH) to its end in the test's folder; fails the test unless
    // it exits with status 0.
    void RunTool(const std::vector<std::string>& argv);
    // A source tree for a package: main program for version plus a data file.
    std::string PackageSource(const std::string& version, const std::string& exe);

    // Starts the server on the test port; fails the test (with the server's reason) when it
    // cannot listen.
    void StartServer(const std::vector<std::string>& options = {});
    // Starts nginx serving Served() over TLS on the TLS port with the certificate NAME.pem and
    // key NAME.key of the test authority's folder, logging requests as StartServer's server does.
    void StartTlsServer(const std::string& certificate);
    // Starts nginx serving Served() over plain HTTP on the test port (ranges included) and, with
    // a mirror folder, that folder on the TLS port, also plain. Its log lines read
    // "PORT METHOD URI STATUS RANGE BODY_BYTES" ("-" for no range).
    void StartHttpNginx(const std::string& mirror = "");
    void StopServer();
    std::vector<std::string> ServerLog() const;

    UpdaterRun RunUpdater() { return WaitForUpdater(StartUpdater("updater")); }
    StartedUpdater StartUpdater(const std::string& name) {
        return StartProgram(name, {Inst() + "updater"});
    }
    // Starts argv from StartFolder() as StartUpdater starts the updater, with these variables
    // added to the environment.
    StartedUpdater StartProgram(const std::string& name, const std::vector<std::string>& argv,
                                const std::vector<std::string>& environment = {});
    UpdaterRun WaitForUpdater(const StartedUpdater& started);
    // Runs argv from StartFolder() as RunUpdater runs the updater, with these variables added to
    // the environment.
    UpdaterRun RunProgram(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment = {});

    // The names in a folder, sorted, folders marked with a trailing "/".
    static std::vector<std::string> Listing(const std::string& folder);
    // Everything beneath a folder by relative path: its mode and modification time, and a
    // file's bytes or a link's target.
    static std::map<std::string, std::string> Snapshot(const std::string& folder);

  private:
    void StartNginx(const std::string& configuration, int port);
    // Waits a bounded time until listening() holds; fails the test, with the server's error
    // output, when the server ends or the time runs out.
    void WaitForServer(const std::function<bool()>& listening, const std::string& errorFile);

    std::string m_root, m_inst, m_served, m_cwd, m_marker, m_log;
    pid_t m_server = -1;
};

// A file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes, unsigned mode = 0644);
