#include "e2e_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kUpdaterBound = std::chrono::seconds(60);
constexpr auto kServerStartBound = std::chrono::seconds(10);
constexpr auto kStartBound = std::chrono::seconds(5);
constexpr auto kPause = std::chrono::milliseconds(300);

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// This process's environment without the display variables, so no dialog ever opens.
std::vector<std::string> QuietEnvironment() {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("DISPLAY=", 0) != 0 && variable.rfind("WAYLAND_DISPLAY=", 0) != 0)
            variables.push_back(variable);
    }
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts argv[0] (searched on PATH) in folder with standard output and error going to files.
pid_t Spawn(std::vector<std::string> argv, const std::string& folder, const std::string& out,
            const std::string& err, const std::vector<std::string>& extraEnvironment = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<std::string> environment = QuietEnvironment();
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> env = Pointers(environment);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits up to bound for pid to end; kills it when it does not.
bool WaitFor(pid_t pid, Clock::duration bound, int& status) {
    const auto deadline = Clock::now() + bound;
    for (;;) {
        int raw = 0;
        const pid_t done = waitpid(pid, &raw, WNOHANG);
        if (done == pid) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        }
        if (done < 0 || Clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return false;
}

bool AcceptsConnections(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

// A foreground nginx without a master process, all of its files under root, that logs each
// request in logFormat and runs these server blocks.
std::string NginxConfiguration(const std::string& root, const std::string& log,
                               const std::string& logFormat, const std::string& servers) {
    return "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + root +
           "nginx.pid;\nerror_log " + root + "nginx.err;\nevents { worker_connections 32; }\n"
           "http {\n  log_format requests '" + logFormat + "';\n  access_log " + log +
           " requests;\n  client_body_temp_path " + root + "nginx-temp;\n"
           "  proxy_temp_path " + root + "nginx-temp;\n  fastcgi_temp_path " + root +
           "nginx-temp;\n  uwsgi_temp_path " + root + "nginx-temp;\n  scgi_temp_path " + root +
           "nginx-temp;\n" + servers + "}\n";
}

std::string NginxServer(int port, const std::string& tlsOptions, const std::string& served) {
    return "  server {\n    listen 127.0.0.1:" + std::to_string(port) + tlsOptions +
           ";\n    root " + served + ";\n  }\n";
}

} // namespace

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes, unsigned mode) {
    fs::create_directories(fs::path(path).parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
        ASSERT_TRUE(out.flush()) << path;
    }
    ASSERT_EQ(chmod(path.c_str(), static_cast<mode_t>(mode)), 0) << path;
}

void EndToEndTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "updater-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_root = pattern + "/";
    m_inst = m_root + "inst/";
    m_served = m_root + "served/";
    m_cwd = m_root + "start here/";
    m_marker = m_root + "started.log";
    m_log = m_root + "server.log";
    for (const std::string& folder : {m_inst, m_served, m_cwd})
        fs::create_directories(folder);
    fs::copy_file(UpdaterProgram(), m_inst + "updater");
}

void EndToEndTest::TearDown() {
    StopServer();
    std::error_code error;
    fs::remove_all(m_root, error);
}

std::string EndToEndTest::ConfigText(const std::string& version, const std::string& exe,
                                     const std::string& lastVersion) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Config>\r\n\t<Version>" + version +
           "</Version>\r\n\t<Exe>" + exe + "</Exe>\r\n\t<LastVersion>" + lastVersion +
           "</LastVersion>\r\n</Config>\r\n";
}

void EndToEndTest::WriteConfig(const std::string& bytes) {
    WriteFileBytes(m_inst + "config.xml", bytes);
}

std::string EndToEndTest::ReadConfig() const {
    return ReadFileBytes(m_inst + "config.xml");
}

void EndToEndTest::AddMainProgram(const std::string& folder, const std::string& exe) {
    WriteFileBytes(m_inst + folder + "/" + exe,
                   "#!/bin/sh\nprintf '%s|%s|%s|%s\\n' '" + folder +
                       "' \"$0\" \"$#\" \"$PWD\" >> '" + m_marker + "'\n",
                   0755);
}

std::string EndToEndTest::StartLine(const std::string& folder, const std::string& path) const {
    std::string cwd = m_cwd;
    cwd.pop_back();
    return folder + "|" + path + "|0|" + cwd;
}

std::vector<std::string> EndToEndTest::WaitForStarts() {
    const auto deadline = Clock::now() + kStartBound;
    while (ReadFileBytes(m_marker).empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return Lines(ReadFileBytes(m_marker));
}

std::vector<std::string> EndToEndTest::StartsAfterPause() {
    std::this_thread::sleep_for(kPause);
    return Lines(ReadFileBytes(m_marker));
}

std::string EndToEndTest::PackageSource(const std::string& version, const std::string& exe) {
    const std::string source = m_root + "source-" + version + "/";
    WriteFileBytes(source + exe,
                   "#!/bin/sh\nprintf '%s|%s|%s|%s\\n' '" + version +
                       "' \"$0\" \"$#\" \"$PWD\" >> '" + m_marker + "'\n",
                   0755);
    WriteFileBytes(source + "data/readme.txt", "version " + version + "\n");
    return source;
}

void EndToEndTest::MakePackage(const std::string& zipName,
                               const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"python3", E2E_MAKE_PACKAGE, m_served + zipName};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    RunTool(argv);
}

void EndToEndTest::RunTool(const std::vector<std::string>& argv) {
    const pid_t pid = Spawn(argv, m_root, m_root + "tool.out", m_root + "tool.err");
    ASSERT_GT(pid, 0) << argv[0] << " could not be started";
    int status = -1;
    ASSERT_TRUE(WaitFor(pid, std::chrono::seconds(20), status)) << argv[0] << " did not end";
    ASSERT_EQ(status, 0) << argv[0] << ": " << ReadFileBytes(m_root + "tool.err");
}

void EndToEndTest::Publish(const std::string& version, const std::string& exe) {
    WriteRecord("<?xml version=\"1.0\"?>\n<Record>\n  <Version>" + version +
                "</Version>\n</Record>\n");
    MakePackage(version + ".zip", {version, PackageSource(version, exe)});
}

void EndToEndTest::WriteRecord(const std::string& bytes) {
    WriteFileBytes(m_served + "record.xml", bytes);
}

void EndToEndTest::StartServer(const std::vector<std::string>& options) {
    const std::string ready = m_root + "server.ready";
    const std::string err = m_root + "server.err";
    fs::remove(ready);
    std::vector<std::string> argv = {
        "python3", E2E_HTTP_SERVER, "--port",     std::to_string(E2E_PORT),
        "--root",  m_served,        "--log",      m_log,
        "--ready", ready,           "--lifetime", "60"};
    argv.insert(argv.end(), options.begin(), options.end());
    m_server = Spawn(argv, m_root, m_root + "server.out", err);
    ASSERT_GT(m_server, 0) << "python3 could not be started";
    WaitForServer([&] { return !ReadFileBytes(ready).empty(); }, err);
}

void EndToEndTest::WaitForServer(const std::function<bool()>& listening,
                                 const std::string& errorFile) {
    const auto deadline = Clock::now() + kServerStartBound;
    while (!listening()) {
        int raw = 0;
        if (waitpid(m_server, &raw, WNOHANG) == m_server) {
            m_server = -1;
            FAIL() << "the test server did not start: " << ReadFileBytes(errorFile);
        }
        if (Clock::now() >= deadline) {
            StopServer();
            FAIL() << "the test server did not listen within 10 seconds: "
                   << ReadFileBytes(errorFile);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void EndToEndTest::StartTlsServer(const std::string& certificate) {
    const std::string tls = E2E_TLS_FOLDER;
    StartNginx(NginxConfiguration(m_root, m_log, "$request_method $request_uri",
                                  NginxServer(E2E_TLS_PORT,
                                              " ssl;\n    ssl_certificate " + tls + certificate +
                                                  ".pem;\n    ssl_certificate_key " + tls +
                                                  certificate + ".key",
                                              m_served)),
               E2E_TLS_PORT);
}

void EndToEndTest::StartHttpNginx(const std::string& mirror) {
    const std::string servers =
        NginxServer(E2E_PORT, "", m_served) +
        (mirror.empty() ? std::string() : NginxServer(E2E_TLS_PORT, "", mirror));
    StartNginx(NginxConfiguration(m_root, m_log,
                                  "$server_port $request_method $request_uri $status "
                                  "$http_range $body_bytes_sent",
                                  servers),
               E2E_PORT);
}

void EndToEndTest::StartNginx(const std::string& configurationText, int port) {
    const std::string configuration = m_root + "nginx.conf";
    WriteFileBytes(configuration, configurationText);
    m_server = Spawn({"nginx", "-p", m_root, "-e", m_root + "nginx.err", "-c", configuration},
                     m_root, m_root + "server.out", m_root + "server.err");
    ASSERT_GT(m_server, 0) << "nginx could not be started";
    WaitForServer([port] { return AcceptsConnections(port); }, m_root + "nginx.err");
}

void EndToEndTest::StopServer() {
    if (m_server <= 0)
        return;
    kill(m_server, SIGKILL);
    waitpid(m_server, nullptr, 0);
    m_server = -1;
}

std::vector<std::string> EndToEndTest::ServerLog() const {
    return Lines(ReadFileBytes(m_log));
}

StartedUpdater EndToEndTest::StartProgram(const std::string& name,
                                          const std::vector<std::string>& argv,
                                          const std::vector<std::string>& environment) {
    StartedUpdater started{-1, name, Clock::now()};
    started.pid = Spawn(argv, m_cwd, m_root + name + ".out", m_root + name + ".err", environment);
    return started;
}

UpdaterRun EndToEndTest::WaitForUpdater(const StartedUpdater& started) {
    UpdaterRun run;
    if (started.pid > 0)
        run.finished = WaitFor(started.pid, kUpdaterBound, run.status);
    run.seconds = std::chrono::duration<double>(Clock::now() - started.begin).count();
    run.standardOutput = ReadFileBytes(m_root + started.name + ".out");
    run.standardError = ReadFileBytes(m_root + started.name + ".err");
    return run;
}

UpdaterRun EndToEndTest::RunProgram(const std::vector<std::string>& argv,
                                    const std::vector<std::string>& environment) {
    return WaitForUpdater(StartProgram("program", argv, environment));
}

std::vector<std::string> EndToEndTest::Listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> EndToEndTest::Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    std::error_code error;
    std::vector<fs::directory_entry> all = {fs::directory_entry(folder, error)};
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder, error))
        all.push_back(entry);
    for (const fs::directory_entry& entry : all) {
        const std::string path = entry.path().lexically_relative(folder).string();
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        const std::string mode = std::to_string(status.st_mode) + " " +
                                 std::to_string(status.st_mtim.tv_sec) + "." +
                                 std::to_string(status.st_mtim.tv_nsec) + " ";
        if (entry.is_symlink())
            entries[path] = mode + "link to " + fs::read_symlink(entry.path(), error).string();
        else if (entry.is_directory())
            entries[path] = mode + "folder";
        else
            entries[path] = mode + ReadFileBytes(entry.path().string());
    }
    return entries;
}
