#include "tools/publish_delta.h"

#include "app/ansi_text.h"
#include "app/folder_name.h"
#include "delta/delta_build.h"
#include "delta/delta_manifest.h"
#include "platform/mapped_file.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>

bool TakeDeltaOptions(std::vector<std::string>& arguments, std::vector<DeltaFrom>& deltas,
                      std::string& error) {
    for (auto at = std::find(arguments.begin(), arguments.end(), "--delta-from");
         at != arguments.end(); at = std::find(arguments.begin(), arguments.end(), "--delta-from")) {
        if (arguments.end() - at < 3) {
            error = "--delta-from takes the old version's source folder and its version";
            return false;
        }
        const DeltaFrom delta{at[1], at[2]};
        if (!IsSafeFolderName(AnsiToUtf16(delta.version))) {
            error = "\"" + delta.version + "\" cannot be a version: it must be a single folder name";
            return false;
        }
        if (std::any_of(deltas.begin(), deltas.end(),
                        [&](const DeltaFrom& other) { return other.version == delta.version; })) {
            error = "--delta-from " + delta.version + " is given twice";
            return false;
        }
        deltas.push_back(delta);
        arguments.erase(at, at + 3);
    }
    return true;
}

bool WriteDeltas(const std::vector<DeltaFrom>& deltas, const std::string& source,
                 const std::string& version, const std::string& out, std::vector<DeltaPin>& pins,
                 std::string& error) {
    const Blake2bFunctions blake2b{crypto_generichash_init, crypto_generichash_update,
                                   crypto_generichash_final};
    for (const DeltaFrom& delta : deltas) {
        const std::string name = DeltaFileName(version, delta.version);
        DeltaBuildCounts counts;
        if (!BuildDelta(delta.source, delta.version, source, version, out + name, blake2b,
                        counts, error))
            return false;
        CMappedFile file;
        DeltaPin pin{AnsiToUtf16(delta.version), name, {}};
        if (!file.Open(out + name)) {
            error = out + name + ": could not be read back";
            return false;
        }
        pin.pin.size = file.Bytes().size();
        const Blake2bHash hash = HashBytes(blake2b, file.Bytes());
        std::copy(hash.begin(), hash.end(), pin.pin.blake2b.begin());
        pins.push_back(pin);
        std::printf("delta from %s: %s%s, %llu bytes (%u same, %u patched, %u whole files)\n",
                    delta.version.c_str(), out.c_str(), name.c_str(),
                    static_cast<unsigned long long>(pin.pin.size), counts.same, counts.patched,
                    counts.whole);
    }
    return true;
}
