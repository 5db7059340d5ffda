#pragma once

#include "delta/file_hash.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// A delta archive holds kManifestName, a markup document that lists every folder, file and link
// of the new version, and the bytes of the files that are not copied from the old version:
// kPatchFolder + path, a zstd frame made with the old file as its prefix, and kWholeFolder + path,
// the file itself.
//
//   <delta from="OLD" to="NEW">
//   <folder path="." mode="755"/>                  the version folder itself, always first
//   <folder path="lib" mode="755"/>                a folder, after the folder that holds it
//   <file path="P" size="N" mode="755" time="T" blake2b="HEX" source="same" from="OLD_PATH"/>
//   <file ... source="patch" from="OLD_PATH"/>
//   <file ... source="whole"/>
//   <link path="P" target="TARGET" time="T"/>
//   </delta>
//
// Paths are relative to the version folder, "/" separated, in UTF-8; modes are octal permission
// bits; times are seconds since 1970 (UTC). Nothing is implied: what is not listed is not part of
// the new version.
inline constexpr const char* kManifestName = "manifest.xml";
inline constexpr const char* kPatchFolder = "patch/";
inline constexpr const char* kWholeFolder = "whole/";

enum class DeltaEntryKind { Folder, File, Link };
enum class DeltaSource { Same, Patch, Whole };

struct DeltaEntry {
    DeltaEntryKind kind = DeltaEntryKind::File;
    std::string path;
    unsigned mode = 0;   // folders and files
    std::time_t time = 0; // files and links
    uint64_t size = 0;   // files
    Blake2bHash hash{};  // files
    DeltaSource source = DeltaSource::Whole;
    std::string from;   // same and patch: the old version's file
    std::string target; // links
};

struct DeltaManifest {
    std::string fromVersion;
    std::string toVersion;
    std::vector<DeltaEntry> entries;
};

// The delta's file name on the server: NEW.from-OLD.zip.
std::string DeltaFileName(const std::string& toVersion, const std::string& fromVersion);

// The manifest's text, UTF-8.
std::string WriteManifest(const DeltaManifest& manifest);

// Reads a manifest's text; false unless it is well formed and every entry sound: known kinds and
// sources, every attribute an entry needs, paths that stay inside the version folder (no "", "."
// or ".." component), each listed once and only after the folder that holds it, and link targets
// that stay inside the installation.
bool ReadManifest(std::string_view text, DeltaManifest& manifest);
