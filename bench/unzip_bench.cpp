// Extracts a generated package (3,000 small text files, three 30 MiB files of random bytes and
// two 24 MiB text files, zipped by Info-ZIP zip) and prints the time beside bsdtar, Info-ZIP
// unzip and Python's zipfile on the same package, as ratios: wall time and processor time
// (user and system), best of five rounds each. It also times the updater's installation of it:
// unpacked into a staging folder, flushed to the disk, renamed into place; once with one flush
// of the file system (what the updater does), once flushing every file and folder on its own.
//   unzip_bench [FOLDER]   works in FOLDER (default: memory-backed /dev/shm where there is one)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "unzip/unzipper.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;

std::string Compressible(std::mt19937_64& random, size_t size) {
    static const char* const words[] = {"version ",  "package ", "update ",  "folder ", "entry ",
                                        "launcher ", "config ",  "record\n", "data ",   "file "};
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size)
        text += words[random() % std::size(words)];
    text.resize(size);
    return text;
}

std::string RandomBytes(std::mt19937_64& random, size_t size) {
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The version tree: small text files in nested folders, and a few large files.
uint64_t WriteTree(const std::string& root) {
    std::mt19937_64 random(42);
    uint64_t total = 0;
    const std::string version = root + "/1.0.4";
    for (int i = 0; i < 3000; ++i) {
        const std::string text = Compressible(random, 512 + random() % 8192);
        WriteFile(version + "/module" + std::to_string(i % 16) + "/part" + std::to_string(i % 5) +
                      "/file" + std::to_string(i) + ".txt",
                  text);
        total += text.size();
    }
    for (int i = 0; i < 3; ++i) {
        const std::string bytes = RandomBytes(random, size_t(30) << 20);
        WriteFile(version + "/data/random" + std::to_string(i) + ".bin", bytes);
        total += bytes.size();
    }
    for (int i = 0; i < 2; ++i) {
        const std::string text = Compressible(random, size_t(24) << 20);
        WriteFile(version + "/data/text" + std::to_string(i) + ".txt", text);
        total += text.size();
    }
    return total;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// Seconds of processor time (user and system) of this process and its waited-for children.
double ProcessorSeconds() {
    double seconds = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        for (const timeval& time : {usage.ru_utime, usage.ru_stime})
            seconds += double(time.tv_sec) + double(time.tv_usec) / 1e6;
    }
    return seconds;
}

// Flushes every file and folder beneath root, one at a time.
bool FlushEach(const std::string& root) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const int fd = open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || fsync(fd) != 0 || close(fd) != 0)
            return false;
    }
    return FlushFolder(root);
}

// The installation of the package into folder out: unpacked into a staging folder, flushed by
// flush, renamed into place, the folder flushed.
bool Install(const std::string& package, const std::string& out,
             const std::function<bool(const std::string&)>& flush) {
    const std::string staging = out + "/.staging";
    CUnzipper unzipper;
    return CreateFolder(out) && CreateFolder(staging, 0700) && unzipper.OpenArchive(package) &&
           unzipper.SetTargetFolder(staging) && unzipper.ExtractAll() &&
           flush(staging + "/1.0.4") && RenamePath(staging + "/1.0.4", out + "/1.0.4") &&
           FlushFolder(out);
}

struct Extractor {
    const char* name;
    std::function<bool()> extract;
    double bestWall = -1; // seconds, over the rounds
    double bestProcessor = -1;
};

// One extraction into a fresh folder; false when it failed.
bool Measure(const std::string& out, Extractor& extractor) {
    fs::remove_all(out);
    const double processorStart = ProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (!extractor.extract())
        return false;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const double processor = ProcessorSeconds() - processorStart;
    if (extractor.bestWall < 0 || wall.count() < extractor.bestWall)
        extractor.bestWall = wall.count();
    if (extractor.bestProcessor < 0 || processor < extractor.bestProcessor)
        extractor.bestProcessor = processor;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string parent = argc > 1                       ? argv[1]
                               : fs::is_directory("/dev/shm") ? "/dev/shm"
                                                              : "/tmp";
    const std::string work = parent + "/unzip_bench." + std::to_string(getpid());
    fs::remove_all(work);
    const std::string package = work + "/1.0.4.zip";
    const uint64_t bytes = WriteTree(work + "/tree");
    if (std::system(("cd " + Quoted(work + "/tree") + " && zip -q -r " + Quoted(package) + " 1.0.4")
                        .c_str()) != 0) {
        std::fprintf(stderr, "zip failed\n");
        return 1;
    }
    fs::remove_all(work + "/tree");
    size_t files = 0;
    {
        CUnzipper unzipper;
        unzipper.OpenArchive(package);
        for (bool more = unzipper.MoveToFirstEntry(); more; more = unzipper.MoveToNextEntry())
            ++files;
    }
    std::printf("package: %zu entries, %.1f MiB of data, %.1f MiB zipped\n", files,
                double(bytes) / double(1 << 20), double(fs::file_size(package)) / double(1 << 20));

    const std::string out = work + "/out";
    const std::string script =
        "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])";
    std::vector<Extractor> extractors = {
        {"CUnzipper::ExtractAll",
         [&] {
             CUnzipper unzipper;
             return unzipper.OpenArchive(package) && unzipper.SetTargetFolder(out) &&
                    unzipper.ExtractAll();
         }},
        {"install, one syncfs", [&] { return Install(package, out, FlushFileSystem); }},
        {"install, fsync each", [&] { return Install(package, out, FlushEach); }},
        {"bsdtar -x",
         [&] {
             fs::create_directories(out);
             return std::system(
                        ("bsdtar -x -f " + Quoted(package) + " -C " + Quoted(out)).c_str()) == 0;
         }},
        {"unzip -q -o",
         [&] {
             return std::system(
                        ("unzip -q -o " + Quoted(package) + " -d " + Quoted(out)).c_str()) == 0;
         }},
        {"zipfile.extractall",
         [&] {
             return std::system(
                        ("python3 -c " + Quoted(script) + " " + Quoted(package) + " " + Quoted(out))
                            .c_str()) == 0;
         }},
    };
    // Rounds in turn, so that other work on the machine weighs on every extractor alike.
    for (int round = 0; round < kRounds; ++round) {
        for (Extractor& extractor : extractors) {
            if (!Measure(out, extractor)) {
                std::fprintf(stderr, "%s failed\n", extractor.name);
                fs::remove_all(work);
                return 1;
            }
        }
    }
    fs::remove_all(work);
    const Extractor& ours = extractors.front();
    std::printf("best of %d         wall s   ours/it   processor s   ours/it\n", kRounds);
    for (const Extractor& extractor : extractors)
        std::printf("%-22s %7.3f   %7.2f   %11.3f   %7.2f\n", extractor.name, extractor.bestWall,
                    ours.bestWall / extractor.bestWall, extractor.bestProcessor,
                    ours.bestProcessor / extractor.bestProcessor);
    return 0;
}
