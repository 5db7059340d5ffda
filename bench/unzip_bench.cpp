// Extracts a generated package of about 100 MiB (many files of compressible text and random
// bytes, zipped by Info-ZIP zip) and prints the time beside Info-ZIP unzip and Python's
// zipfile on the same package, as ratios. Best of three runs each.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include <unistd.h>

#include "unzip/unzipper.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kPackageBytes = uint64_t(100) << 20;
constexpr int kRuns = 3;

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

// A version tree of files from 1 KiB to 256 KiB, two thirds text, in nested folders.
uint64_t WriteTree(const std::string& root) {
    std::mt19937_64 random(42);
    uint64_t total = 0;
    for (int i = 0; total < kPackageBytes; ++i) {
        const std::string folder =
            root + "/1.0.4/module" + std::to_string(i % 16) + "/part" + std::to_string(i % 5);
        fs::create_directories(folder);
        const size_t size = size_t(1024) << (random() % 9);
        const bool text = i % 3 != 0;
        std::ofstream(folder + "/file" + std::to_string(i) + (text ? ".txt" : ".bin"),
                      std::ios::binary)
            << (text ? Compressible(random, size) : RandomBytes(random, size));
        total += size;
    }
    return total;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// Best wall time of kRuns extractions into a fresh folder, in seconds; negative on failure.
double BestTime(const std::string& out, const std::function<bool()>& extract) {
    double best = -1;
    for (int run = 0; run < kRuns; ++run) {
        fs::remove_all(out);
        const auto start = std::chrono::steady_clock::now();
        if (!extract())
            return -1;
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (best < 0 || elapsed.count() < best)
            best = elapsed.count();
    }
    fs::remove_all(out);
    return best;
}

} // namespace

int main() {
    const std::string work = (fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
                             std::string("/unzip_bench.") + std::to_string(getpid());
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
    const double ours = BestTime(out, [&] {
        CUnzipper unzipper;
        return unzipper.OpenArchive(package) && unzipper.SetTargetFolder(out) &&
               unzipper.ExtractAll();
    });
    const double unzip = BestTime(out, [&] {
        return std::system(("unzip -q -o " + Quoted(package) + " -d " + Quoted(out)).c_str()) == 0;
    });
    const double python = BestTime(out, [&] {
        const std::string script =
            "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])";
        return std::system(
                   ("python3 -c " + Quoted(script) + " " + Quoted(package) + " " + Quoted(out))
                       .c_str()) == 0;
    });
    fs::remove_all(work);
    if (ours < 0 || unzip < 0 || python < 0) {
        std::fprintf(stderr, "an extraction failed\n");
        return 1;
    }
    std::printf("CUnzipper::ExtractAll  %7.3f s  %6.1f MiB/s\n", ours,
                double(bytes) / double(1 << 20) / ours);
    std::printf("unzip -q -o            %7.3f s  ratio ours/unzip  %.2f\n", unzip, ours / unzip);
    std::printf("zipfile.extractall     %7.3f s  ratio ours/python %.2f\n", python, ours / python);
    return 0;
}
