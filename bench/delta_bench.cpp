// Delta against full package for two releases of one program, and zstd --patch-from on the
// same trees in the same run.
//   delta_bench OLD_FOLDER NEW_FOLDER [KEEP_FOLDER]   (default: $DELTA_BENCH_OLD and
//                                        $DELTA_BENCH_NEW); KEEP_FOLDER receives the delta and
//                                        the installed old version, for --apply
//   delta_bench --apply DELTA OLD_VERSION_FOLDER TARGET_FOLDER   applies one delta and nothing
//                                        else, for measuring its peak memory with /usr/bin/time -v
// The inputs are not part of the repository; bench/README.md says how to prepare them.
#include "delta/delta_apply.h"
#include "delta/delta_build.h"
#include "platform/file_system.h"
#include "platform/temporary_folder.h"
#include "tools/package_writer.h"
#include "unzip/unzipper.h"

#include <sodium.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

const Blake2bFunctions kBlake2b{crypto_generichash_init, crypto_generichash_update,
                                crypto_generichash_final};

double Seconds(const std::function<bool()>& step, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint64_t TreeBytes(const std::string& folder) {
    uint64_t bytes = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && !entry.is_symlink())
            bytes += entry.file_size();
    return bytes;
}

bool Extract(const std::string& archive, const std::string& folder) {
    CUnzipper unzipper;
    const bool extracted = unzipper.OpenArchive(archive) && unzipper.SetTargetFolder(folder) &&
                           unzipper.ExtractAll();
    return unzipper.CloseArchive() && extracted;
}

bool ApplyOnly(const std::string& delta, const std::string& old, const std::string& target) {
    const std::string scratch = target.substr(0, target.find_last_not_of('/')) + ".scratch/";
    DeltaApplyCounts counts;
    return ApplyDelta({delta, old + "/", target + "/", scratch}, "old", "new", kBlake2b, {},
                      counts);
}

int Run(const std::string& oldSource, const std::string& newSource, const std::string& keep) {
    CTemporaryFolder work;
    if (!work.Create("delta-bench-") || sodium_init() < 0)
        return 1;
    const std::string w = work.Path();
    std::string error;
    std::printf("old %s: %.1f MB, new %s: %.1f MB\n", oldSource.c_str(),
                static_cast<double>(TreeBytes(oldSource)) / 1e6, newSource.c_str(),
                static_cast<double>(TreeBytes(newSource)) / 1e6);
    // The old version installed from its own package, as an updater holds it.
    if (!WritePackage(oldSource, "old", w + "old.zip", error) ||
        !WritePackage(newSource, "new", w + "new.zip", error) || !Extract(w + "old.zip", w + "inst")) {
        std::fprintf(stderr, "delta_bench: %s\n", error.c_str());
        return 1;
    }
    bool ok = false;
    DeltaBuildCounts built;
    const double build = Seconds([&] {
        return BuildDelta(oldSource, "old", newSource, "new", w + "delta.zip", kBlake2b, built, error);
    }, ok);
    if (!ok) {
        std::fprintf(stderr, "delta_bench: %s\n", error.c_str());
        return 1;
    }
    const double full = Seconds([&] { return Extract(w + "new.zip", w + "full"); }, ok);
    const bool fullOk = ok;
    DeltaApplyCounts applied;
    const double apply = Seconds([&] {
        return ApplyDelta({w + "delta.zip", w + "inst/old/", w + "new/", w + "scratch/"},
                          "old", "new", kBlake2b, {}, applied);
    }, ok);
    if (!ok || !fullOk) {
        std::fprintf(stderr, "delta_bench: the %s failed\n", ok ? "full installation" : "delta");
        return 1;
    }
    if (!keep.empty()) {
        fs::create_directories(keep);
        fs::copy(w + "delta.zip", keep + "/delta.zip", fs::copy_options::overwrite_existing);
        fs::copy(w + "inst", keep + "/inst", fs::copy_options::recursive);
    }
    const double package = static_cast<double>(fs::file_size(w + "new.zip"));
    const double delta = static_cast<double>(fs::file_size(w + "delta.zip"));
    std::printf("full package (deflate)    %10.0f bytes\n", package);
    std::printf("delta                     %10.0f bytes   delta/package %.3f   "
                "(%u same, %u patched, %u whole; built in %.1f s)\n",
                delta, delta / package, built.same, built.patched, built.whole, build);
    std::printf("full installation         %10.3f s\n", full);
    std::printf("delta application         %10.3f s   delta/full time %.2f   "
                "(%u linked, %u copied, %u patched, %u whole)\n",
                apply, apply / full, applied.linked, applied.copied, applied.patched,
                applied.whole);

    // The peer: one zstd patch of the whole new tree against the old one, as tar files.
    const std::string tars = "tar -cf " + w + "old.tar -C " + oldSource + " . && tar -cf " + w +
                             "new.tar -C " + newSource + " .";
    const std::string patch = "zstd -q -19 --long=27 --patch-from=" + w + "old.tar " + w +
                              "new.tar -o " + w + "new.tar.zst";
    const std::string unpatch = "zstd -q -d --long=27 --patch-from=" + w + "old.tar " + w +
                                "new.tar.zst -o " + w + "out.tar";
    if (std::system(tars.c_str()) != 0 || std::system(patch.c_str()) != 0) {
        std::printf("zstd --patch-from: not measured (tar or zstd failed)\n");
        return 0;
    }
    const double peerApply = Seconds([&] { return std::system(unpatch.c_str()) == 0; }, ok);
    const double peer = static_cast<double>(fs::file_size(w + "new.tar.zst"));
    std::printf("zstd --patch-from (tar)   %10.0f bytes   delta/zstd size %.2f   "
                "applied in %.3f s, delta/zstd time %.2f\n",
                peer, delta / peer, peerApply, apply / peerApply);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--apply")
        return sodium_init() >= 0 && ApplyOnly(argv[2], argv[3], argv[4]) ? 0 : 1;
    const char* oldEnv = std::getenv("DELTA_BENCH_OLD");
    const char* newEnv = std::getenv("DELTA_BENCH_NEW");
    const std::string oldSource = argc >= 3 ? argv[1] : oldEnv ? oldEnv : "";
    const std::string newSource = argc >= 3 ? argv[2] : newEnv ? newEnv : "";
    if (oldSource.empty() || newSource.empty() || !fs::is_directory(oldSource) ||
        !fs::is_directory(newSource)) {
        std::printf("delta_bench: skipped: no inputs. Give two unpacked releases as OLD_FOLDER "
                    "NEW_FOLDER (or DELTA_BENCH_OLD and DELTA_BENCH_NEW); bench/README.md says "
                    "how to prepare two builds of a Debian package.\n");
        return 0;
    }
    return Run(oldSource, newSource, argc == 4 ? argv[3] : "");
}
