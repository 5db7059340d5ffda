// Loads and saves a generated 16 MiB file (UTF-8 without mark, and UTF-16LE with mark) and
// prints the throughput in MiB of file per second, with pugixml's load_file of the same files
// in the same run and the time ratios of LoadFile to it. The files live in /dev/shm (or /tmp),
// so the numbers measure the code rather than the disk.
//
// The fresh cases load into a new document each time (a new CXmlDoc, a new pugixml document),
// as a program that opens one file does; the reused ones load into the same document again.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <unistd.h>

#include "markup/mode_flags.h"
#include "markup/xml_doc.h"
#include "peer_comparison.h"
#include "textfile/text_file.h"

namespace {

constexpr size_t kFileBytes = size_t(16) << 20;
constexpr int kRuns = 5;

// A configuration-like document of about kFileBytes bytes as UTF-8, one record in eight
// with non-ASCII text.
std::u16string GenerateDocument() {
    std::u16string text = u"<?xml version=\"1.0\"?>\r\n<catalog>\r\n";
    for (unsigned i = 0; text.size() < kFileBytes - 200; ++i) {
        const std::u16string n = bench::Widen(std::to_string(i));
        text += u"  <item id=\"" + n + u"\" kind='part'>\r\n    <name>Item " + n;
        text += (i % 8 == 0) ? u" Gr\u00FC\u00DFe \u4E2D\u6587</name>\r\n" : u" spare</name>\r\n";
        text += u"    <price currency=\"EUR\">" + n + u".50</price>\r\n  </item>\r\n";
    }
    text += u"</catalog>\r\n";
    return text;
}

std::string FolderForFiles() {
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

long FileSize(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

// The best of kRuns timings of step, in seconds; false from step stops the runs.
double BestTime(const std::function<bool()>& step, bool& ok) {
    double best = 1e30;
    ok = true;
    for (int run = 0; run < kRuns && ok; ++run) {
        const auto start = std::chrono::steady_clock::now();
        ok = step();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Times step and prints its line; ours, when given, is the project's time to compare with.
// Returns the time, or a negative one when a run failed.
double Measure(const char* label, const std::string& path, const std::function<bool()>& step,
               double ours = 0) {
    bool ok = false;
    const double seconds = BestTime(step, ok);
    const double mib = double(FileSize(path)) / double(1 << 20);
    std::printf("%-36s %6.1f MiB  %.3f s best of %d  %8.1f MiB/s", label, mib, seconds, kRuns,
                mib / seconds);
    if (ours > 0)
        std::printf("  project/peer time %.2f", ours / seconds);
    std::printf("%s\n", ok ? "" : "  FAILED");
    return ok ? seconds : -1;
}

} // namespace

int main() {
    bench::TakeMemoryFromTheSystem();
    const std::string folder = FolderForFiles();
    const std::string utf8Path = folder + "/load_bench_utf8.xml";
    const std::string utf16Path = folder + "/load_bench_utf16.xml";
    const std::u16string utf8Path16 = bench::Widen(utf8Path);
    const std::u16string utf16Path16 = bench::Widen(utf16Path);

    CXmlDoc source;
    source.text = GenerateDocument();
    uint32_t flags = 0;
    bool ok = WriteWholeFile(utf8Path16, source.text, nullptr, &flags);
    flags = ModeUtf16LE;
    ok = ok && WriteWholeFile(utf16Path16, source.text, nullptr, &flags);
    if (!ok) {
        std::printf("could not write the files in %s\n", folder.c_str());
        return 1;
    }

    CXmlDoc doc;
    std::u16string text;
    pugi::xml_document peer;
    auto freshLoad = [](const std::u16string& path) {
        return [path] {
            CXmlDoc fresh;
            return fresh.LoadFile(path);
        };
    };
    auto peerFreshLoad = [](const std::string& path) {
        return [path] {
            pugi::xml_document fresh;
            return bool(fresh.load_file(path.c_str()));
        };
    };
    auto peerLoad = [&](const std::string& path) {
        return [&peer, path] { return bool(peer.load_file(path.c_str())); };
    };
    const double read8 = Measure("ReadWholeFile UTF-8 (no mark)", utf8Path,
                                 [&] { return ReadWholeFile(utf8Path16, text, nullptr, nullptr); });
    const double fresh8 =
        Measure("fresh: LoadFile UTF-8", utf8Path, freshLoad(utf8Path16));
    const double peerFresh8 =
        Measure("fresh: pugixml load_file UTF-8", utf8Path, peerFreshLoad(utf8Path), fresh8);
    const double load8 = Measure("reused: LoadFile UTF-8", utf8Path,
                                 [&] { return doc.LoadFile(utf8Path16); });
    const double peer8 =
        Measure("reused: pugixml load_file UTF-8", utf8Path, peerLoad(utf8Path), load8);
    const double save8 =
        Measure("SaveFile UTF-8", utf8Path, [&] { return doc.SaveFile(utf8Path16); });
    const double read16 = Measure("ReadWholeFile UTF-16LE (mark)", utf16Path, [&] {
        return ReadWholeFile(utf16Path16, text, nullptr, nullptr);
    });
    const double fresh16 =
        Measure("fresh: LoadFile UTF-16LE", utf16Path, freshLoad(utf16Path16));
    const double peerFresh16 =
        Measure("fresh: pugixml load_file UTF-16LE", utf16Path, peerFreshLoad(utf16Path), fresh16);
    const double load16 = Measure("reused: LoadFile UTF-16LE", utf16Path,
                                  [&] { return doc.LoadFile(utf16Path16); });
    const double peer16 =
        Measure("reused: pugixml load_file UTF-16LE", utf16Path, peerLoad(utf16Path), load16);
    const double save16 =
        Measure("SaveFile UTF-16LE", utf16Path, [&] { return doc.SaveFile(utf16Path16); });
    ok = read8 > 0 && fresh8 > 0 && peerFresh8 > 0 && load8 > 0 && peer8 > 0 && save8 > 0 &&
         read16 > 0 && fresh16 > 0 && peerFresh16 > 0 && load16 > 0 && peer16 > 0 && save16 > 0;

    std::remove(utf8Path.c_str());
    std::remove(utf16Path.c_str());
    return ok ? 0 : 1;
}
