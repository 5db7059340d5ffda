#include "e2e_support.h"

#include "platform/installation_lock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const std::string kServer = "http://127.0.0.1:" + std::to_string(E2E_PORT) + "/";

struct DryRunCase {
    const char* name = "";
    bool signedBuild = false;
    bool missingConfig = false;
    std::string lastVersion = {};    // a folder of this name exists beside the installed version
    std::string exe = "main";        // Exe in config.xml; the installed program is 1.0.0/main
    std::string publish = {};        // record and package of this version on the server
    std::string packageExe = "main"; // the program inside the published package
    std::string record = {};         // record.xml bytes instead
    std::string signingKey = {};     // signs the record and package with keys/KEY.key
    bool changePackage = false;      // after signing
    std::string recordSignature = {}; // record.xml.minisig bytes instead
    bool serverDown = false;
    bool holdLock = false;
    bool lastVersionInUse = false; // a process works in the lastVersion folder
    bool besideTool = false;       // the tool lies in the installation folder and gets no argument
    bool package = false;          // --package
    int status = 0;
    std::string decision = {};
    Strings lines = {}; // more lines that must appear
    Strings requests = {};
};

std::ostream& operator<<(std::ostream& out, const DryRunCase& c) {
    return out << c.name;
}

const std::vector<DryRunCase> kCases = {
    {.name = "NothingToDo",
     .lastVersion = "0.9.0",
     .publish = "1.0.0",
     .besideTool = true,
     .decision = "nothing to do: the installed version is not older than the offered one",
     .lines = {"config: INST/config.xml loaded", "  encoding: UTF-8", "Version: \"1.0.0\"",
               "program: INST/1.0.0/main (exists, regular file, executable): would be started",
               "lock: free (the updater would take it)",
               "LastVersion: \"0.9.0\", the folder would be removed, LastVersion emptied and "
               "config.xml saved",
               "  result: HTTP 200, ", "offered Version: \"1.0.0\" (a plain folder name)",
               "comparison: installed 1.0.0 >= offered 1.0.0"},
     .requests = {"GET /record.xml"}},
    {.name = "UpdateOffered",
     .publish = "1.0.1",
     .decision = "would download " + kServer + "1.0.1.zip and install 1.0.1",
     .lines = {"comparison: installed 1.0.0 < offered 1.0.1"},
     .requests = {"GET /record.xml"}},
    {.name = "PackageListed",
     .exe = "./main",
     .publish = "1.0.1",
     .package = true,
     .decision = "would download " + kServer + "1.0.1.zip and install 1.0.1",
     .lines = {"  main program: in the package", "    1.0.1/main  ",
               "    1.0.1/data/readme.txt  14 bytes, file\n"},
     .requests = {"GET /record.xml", "GET /1.0.1.zip"}},
    {.name = "PackageWithoutProgram",
     .publish = "1.0.1",
     .packageExe = "other",
     .package = true,
     .status = 7,
     .decision = "would download " + kServer +
                 "1.0.1.zip and install 1.0.1, but the package would be refused: it does not hold "
                 "the main program that Exe names; nothing would be recorded and the next start "
                 "would try again",
     .lines = {"  main program: NOT in the package", "    1.0.1/other  "}},
    {.name = "ServerDown",
     .serverDown = true,
     .status = 6,
     .decision = "nothing to do: the record could not be fetched",
     .lines = {"  result: HTTP 0, 0 bytes in ", "offered Version: (none)"}},
    {.name = "RecordMissing",
     .status = 6,
     .decision = "nothing to do: the server answered HTTP 404",
     .requests = {"GET /record.xml"}},
    {.name = "RecordWithoutVersion",
     .record = "<Record><Release>1.0.1</Release></Record>",
     .status = 6,
     .decision = "nothing to do: the record offers no version"},
    {.name = "UnsafeVersion",
     .record = "<Record><Version>../1.0.1</Version></Record>",
     .status = 6,
     .decision = "nothing to do: the offered version is not a plain folder name, so it is refused",
     .lines = {"offered Version: \"../1.0.1\" (NOT a plain folder name)"}},
    {.name = "LastVersionInUse",
     .lastVersion = "0.9.0",
     .publish = "1.0.0",
     .lastVersionInUse = true,
     .status = 5,
     .decision = "nothing to do: the installed version is not older than the offered one",
     .lines = {"LastVersion: \"0.9.0\", a running process uses it (program, working folder, "
               "open or mapped file): it stays, and so does LastVersion, until a start finds it "
               "unused"}},
    {.name = "LockHeld",
     .publish = "1.0.1",
     .holdLock = true,
     .status = 4,
     .decision = "stop after starting the program: another updater holds the lock, so this start "
                 "would neither remove, check nor install anything",
     .lines = {"lock: held by another updater right now",
               "  held by process " + std::to_string(getpid()) + " (" +
                   std::filesystem::read_symlink("/proc/self/exe").string() + ")\n"}},
    {.name = "ConfigMissing",
     .missingConfig = true,
     .publish = "1.0.1",
     .status = 1,
     .decision = "stop: config.xml is missing or damaged; the updater would show its message "
                 "(please reinstall) and start nothing",
     .lines = {"config: INST/config.xml NOT loaded", "  sound: no (the file could not be read)"}},
    {.name = "ProgramMissing",
     .exe = "absent",
     .publish = "1.0.1",
     .status = 3,
     .decision = "stop: the program cannot be started; the updater would show its message (please "
                 "reinstall) and neither remove, check nor install anything",
     .lines = {"program: INST/1.0.0/absent (does not exist): would not start: the updater would "
               "show its message naming this path"}},
    {.name = "SignedUpdate",
     .signedBuild = true,
     .publish = "1.0.1",
     .signingKey = "publisher",
     .package = true,
     .decision = "would download " + kServer + "1.0.1.zip and install 1.0.1",
     .lines = {"signature of " + kServer + "record.xml: valid",
               "signature of " + kServer + "1.0.1.zip: valid", "  main program: in the package"}},
    {.name = "BadSignature",
     .signedBuild = true,
     .publish = "1.0.1",
     .signingKey = "other",
     .status = 6,
     .decision = "nothing to do: the record's signature is not valid, so it counts as one without "
                 "a version",
     .lines = {"signature of " + kServer +
                   "record.xml: signed by key id 336284AC1BF670B7 (expected 29AE47B068BED8E5)",
               "offered Version: (none)"},
     .requests = {"GET /record.xml", "GET /record.xml.minisig"}},
    {.name = "ChangedPackage",
     .signedBuild = true,
     .publish = "1.0.1",
     .signingKey = "publisher",
     .changePackage = true,
     .package = true,
     .status = 7,
     .decision = "would download " + kServer +
                 "1.0.1.zip and install 1.0.1, but the package would be refused: it could not be "
                 "downloaded, or its signature refused it; nothing would be recorded and the next "
                 "start would try again",
     .lines = {"signature of " + kServer +
                   "1.0.1.zip: by the built-in key 29AE47B068BED8E5 but does not match the file",
               "package: downloaded, refused by its signature check and deleted"}},
    {.name = "SignatureMissing",
     .signedBuild = true,
     .publish = "1.0.1",
     .status = 6,
     .decision = "nothing to do: the record's signature is not valid, so it counts as one without "
                 "a version",
     .lines = {"signature of " + kServer + "record.xml: transfer failed (HTTP 404)"}},
    {.name = "NotASignature",
     .signedBuild = true,
     .publish = "1.0.1",
     .recordSignature = "untrusted comment: x\nnot base64\n",
     .status = 6,
     .decision = "nothing to do: the record's signature is not valid, so it counts as one without "
                 "a version",
     .lines = {"signature of " + kServer + "record.xml: not a signature file"}},
};

// A child process whose working folder is folder, from its construction to its end.
class FolderUser {
  public:
    explicit FolderUser(const std::string& folder) {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            if (chdir(folder.c_str()) == 0 && write(ready[1], "y", 1) == 1)
                pause();
            _exit(1);
        }
        close(ready[1]);
        char state = 0;
        EXPECT_EQ(read(ready[0], &state, 1), 1);
        close(ready[0]);
    }
    ~FolderUser() {
        if (m_pid > 0 && kill(m_pid, SIGKILL) == 0)
            waitpid(m_pid, nullptr, 0);
    }
    FolderUser(const FolderUser&) = delete;
    FolderUser& operator=(const FolderUser&) = delete;

  private:
    pid_t m_pid = -1;
};

// Each case: an installation of 1.0.0 and a server; updatecheck must print the decision, exit
// with the case's status, and leave the installation, its start folder and the temporary
// folder as they were, starting nothing.
class UpdatecheckRun : public EndToEndTest, public testing::WithParamInterface<DryRunCase> {};

// text with every "INST/" replaced by the installation folder.
std::string WithInst(std::string text, const std::string& inst) {
    const size_t at = text.find("INST/");
    return at == std::string::npos ? text : text.replace(at, 5, inst);
}

TEST_P(UpdatecheckRun, PrintsTheDecisionAndChangesNothing) {
    const DryRunCase& c = GetParam();
    if (!c.missingConfig)
        WriteConfig(ConfigText("1.0.0", c.exe, c.lastVersion));
    AddMainProgram("1.0.0");
    if (!c.lastVersion.empty())
        AddMainProgram(c.lastVersion);
    if (!c.publish.empty())
        Publish(c.publish, c.packageExe);
    if (!c.record.empty())
        WriteRecord(c.record);
    if (!c.signingKey.empty())
        RunTool({"minisign", "-S", "-s", E2E_KEYS + c.signingKey + ".key", "-m",
                 Served() + "record.xml", Served() + c.publish + ".zip"});
    if (!c.recordSignature.empty())
        WriteFileBytes(Served() + "record.xml.minisig", c.recordSignature);
    if (c.changePackage)
        WriteFileBytes(Served() + c.publish + ".zip",
                       ReadFileBytes(Served() + c.publish + ".zip") + "x");
    if (!c.serverDown)
        StartServer();
    CInstallationLock otherUpdater;
    if (c.holdLock) {
        ASSERT_TRUE(otherUpdater.Create(Inst()));
    }
    std::optional<FolderUser> user;
    if (c.lastVersionInUse)
        user.emplace(Inst() + c.lastVersion);
    const std::string tool = c.signedBuild ? E2E_SIGNED_UPDATECHECK : E2E_UPDATECHECK;
    Strings argv = {tool};
    if (c.besideTool) {
        std::filesystem::copy_file(tool, Inst() + "updatecheck");
        argv = {Inst() + "updatecheck"};
    }
    if (c.package)
        argv.push_back("--package");
    if (!c.besideTool)
        argv.push_back(Inst());
    const std::string temporary = Root() + "tmp/";
    std::filesystem::create_directory(temporary);
    const auto installation = Snapshot(Inst());
    const auto startFolder = Snapshot(StartFolder());

    const UpdaterRun run = RunProgram(argv, {"TMPDIR=" + temporary});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, c.status) << run.standardOutput;
    EXPECT_NE(run.standardOutput.find("\ndecision: " + c.decision + "\n"), std::string::npos)
        << run.standardOutput;
    for (const std::string& line : c.lines)
        EXPECT_NE(run.standardOutput.find("\n" + WithInst(line, Inst())), std::string::npos)
            << line << "\n"
            << run.standardOutput;
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(Snapshot(Inst()), installation);
    EXPECT_EQ(Snapshot(StartFolder()), startFolder);
    EXPECT_EQ(Listing(temporary), Strings{});
    EXPECT_EQ(StartsAfterPause(), Strings{});
    if (!c.requests.empty()) {
        EXPECT_EQ(ServerLog(), c.requests);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdatecheckRun, testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

struct ArgumentCase {
    Strings arguments;
    int status;
    std::string output; // the start of standard output
};

class UpdatecheckArguments : public EndToEndTest {};

TEST_F(UpdatecheckArguments, HelpVersionAndUsage) {
    const std::vector<ArgumentCase> cases = {
        {{"--help"}, 0, "usage: updatecheck [--package] [--updater-name NAME] [FOLDER]\n"},
        {{"--version"}, 0, "updatecheck " UPDATECHECK_VERSION "\n"},
        {{"--bogus"}, 2, ""},
        {{"one", "two"}, 2, ""},
        {{"--package", "--package"}, 2, ""},
        {{"--updater-name"}, 2, ""},
        {{"--updater-name", "a/b"}, 2, ""},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        Strings argv = {E2E_UPDATECHECK};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const UpdaterRun run = RunProgram(argv);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.standardOutput.substr(0, c.output.size()), c.output);
        EXPECT_EQ(run.standardError.empty(), c.status == 0) << run.standardError;
    }
    // Every exit status is documented.
    const std::string help = RunProgram({E2E_UPDATECHECK, "--help"}).standardOutput;
    for (int status = 0; status <= 7; ++status)
        EXPECT_NE(help.find("\n  " + std::to_string(status) + "  "), std::string::npos) << status;
}

} // namespace
