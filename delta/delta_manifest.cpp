#include "delta/delta_manifest.h"

#include "markup/escape.h"
#include "markup/xml_doc.h"
#include "platform/utf8_convert.h"
#include "unzip/entry_path.h"

#include <cstdio>
#include <optional>
#include <set>

namespace {

std::u16string ToUtf16(std::string_view text) {
    std::u16string wide(Utf8ToUtf16(text.data(), text.size(), nullptr, 0), u'\0');
    Utf8ToUtf16(text.data(), text.size(), wide.data(), wide.size());
    return wide;
}

std::string ToUtf8(std::u16string_view text) {
    std::string narrow(Utf16ToUtf8(text.data(), text.size(), nullptr, 0), '\0');
    Utf16ToUtf8(text.data(), text.size(), narrow.data(), narrow.size());
    return narrow;
}

std::string Attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + ToUtf8(EscapeMarkup(ToUtf16(value), ESCF_QUOTES)) +
           "\"";
}

std::string Octal(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%o", mode & 07777);
    return text;
}

const char* SourceName(DeltaSource source) {
    switch (source) {
    case DeltaSource::Same:
        return "same";
    case DeltaSource::Patch:
        return "patch";
    case DeltaSource::Whole:
        break;
    }
    return "whole";
}

std::string EntryMarkup(const DeltaEntry& entry) {
    switch (entry.kind) {
    case DeltaEntryKind::Folder:
        return "<folder" + Attribute("path", entry.path) + Attribute("mode", Octal(entry.mode)) +
               "/>\n";
    case DeltaEntryKind::Link:
        return "<link" + Attribute("path", entry.path) + Attribute("target", entry.target) +
               Attribute("time", std::to_string(entry.time)) + "/>\n";
    case DeltaEntryKind::File:
        break;
    }
    return "<file" + Attribute("path", entry.path) + Attribute("size", std::to_string(entry.size)) +
           Attribute("mode", Octal(entry.mode)) + Attribute("time", std::to_string(entry.time)) +
           Attribute("blake2b", HashToHex(entry.hash)) +
           Attribute("source", SourceName(entry.source)) +
           (entry.source == DeltaSource::Whole ? "" : Attribute("from", entry.from)) + "/>\n";
}

// One element's attributes, read from the document's text.
class CAttributes {
  public:
    CAttributes(const CXmlDoc& doc, int32_t element) : m_doc(doc), m_element(element) {}

    std::optional<std::string> Text(std::u16string_view name) const {
        XmlTokenReader reader(m_doc.text.c_str(), m_doc.elements[m_element].start + 1,
                              m_doc.modeFlags);
        if (!reader.LocateAttribute(name))
            return std::nullopt;
        const std::u16string_view token = reader.Token();
        return ToUtf8(UnescapeMarkup(token.data(), static_cast<int>(token.size())));
    }
    bool Number(std::u16string_view name, uint64_t& value, int base = 10) const {
        const std::optional<std::string> text = Text(name);
        if (!text || text->empty() || text->size() > 20)
            return false;
        value = 0;
        for (const char c : *text) {
            const int digit = c - '0';
            if (digit < 0 || digit >= base || value > (UINT64_MAX - 9) / 10)
                return false;
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        }
        return true;
    }

  private:
    const CXmlDoc& m_doc;
    int32_t m_element;
};

bool IsPlainPath(const std::string& path) {
    if (!IsContainedEntryName(path) || path.find('\\') != std::string::npos)
        return false;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('/', start);
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool ReadSource(const CAttributes& attributes, DeltaEntry& entry) {
    const std::optional<std::string> source = attributes.Text(u"source");
    if (source == "whole") {
        entry.source = DeltaSource::Whole;
        return true;
    }
    if (source == "same")
        entry.source = DeltaSource::Same;
    else if (source == "patch")
        entry.source = DeltaSource::Patch;
    else
        return false;
    const std::optional<std::string> from = attributes.Text(u"from");
    if (!from || !IsPlainPath(*from))
        return false;
    entry.from = *from;
    return true;
}

bool ReadEntry(const CXmlDoc& doc, int32_t element, DeltaEntry& entry) {
    const std::u16string tag = doc.ReadTagName(element);
    const CAttributes attributes(doc, element);
    const std::optional<std::string> path = attributes.Text(u"path");
    uint64_t mode = 0;
    uint64_t time = 0;
    if (!path)
        return false;
    entry.path = *path;
    if (tag == u"folder") {
        entry.kind = DeltaEntryKind::Folder;
        if (!attributes.Number(u"mode", mode, 8) || mode > 07777)
            return false;
        entry.mode = static_cast<unsigned>(mode);
        return true;
    }
    if (!attributes.Number(u"time", time) || time > INT64_MAX)
        return false;
    entry.time = static_cast<std::time_t>(time);
    if (tag == u"link") {
        entry.kind = DeltaEntryKind::Link;
        const std::optional<std::string> target = attributes.Text(u"target");
        if (!target)
            return false;
        entry.target = *target;
        return true;
    }
    const std::optional<std::string> hash = attributes.Text(u"blake2b");
    entry.kind = DeltaEntryKind::File;
    if (tag != u"file" || !attributes.Number(u"size", entry.size) ||
        !attributes.Number(u"mode", mode, 8) || mode > 07777 || !hash ||
        !HashFromHex(*hash, entry.hash))
        return false;
    entry.mode = static_cast<unsigned>(mode);
    return ReadSource(attributes, entry);
}

// The version folder comes first; every other entry once, inside a folder listed before it.
bool IsSoundPlace(const DeltaEntry& entry, std::set<std::string>& paths,
                  std::set<std::string>& folders, const std::string& toVersion) {
    if (paths.empty())
        return entry.kind == DeltaEntryKind::Folder && entry.path == "." &&
               paths.insert(".").second && folders.insert(".").second;
    if (!IsPlainPath(entry.path) || !folders.contains(ParentOf(entry.path)) ||
        !paths.insert(entry.path).second)
        return false;
    if (entry.kind == DeltaEntryKind::Folder)
        folders.insert(entry.path);
    return entry.kind != DeltaEntryKind::Link ||
           IsContainedLinkTarget(toVersion + "/" + entry.path, entry.target);
}

} // namespace

std::string DeltaFileName(const std::string& toVersion, const std::string& fromVersion) {
    return toVersion + ".from-" + fromVersion + ".zip";
}

std::string WriteManifest(const DeltaManifest& manifest) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<delta" +
                       Attribute("from", manifest.fromVersion) +
                       Attribute("to", manifest.toVersion) + ">\n";
    for (const DeltaEntry& entry : manifest.entries)
        text += EntryMarkup(entry);
    return text + "</delta>\n";
}

bool ReadManifest(std::string_view text, DeltaManifest& manifest) {
    manifest = DeltaManifest{};
    CXmlDoc doc;
    if (!doc.SetText(ToUtf16(text)) || !doc.LocateElement(u"delta"))
        return false;
    const int32_t root = doc.currentPos;
    const CAttributes attributes(doc, root);
    const std::optional<std::string> from = attributes.Text(u"from");
    const std::optional<std::string> to = attributes.Text(u"to");
    if (!from || !to || doc.elements[0].firstChild != root || doc.elements[root].nextSibling != 0)
        return false;
    manifest.fromVersion = *from;
    manifest.toVersion = *to;
    std::set<std::string> paths;
    std::set<std::string> folders;
    for (int32_t child = doc.elements[root].firstChild; child != 0;
         child = doc.elements[child].nextSibling) {
        DeltaEntry entry;
        if (!ReadEntry(doc, child, entry) || !IsSoundPlace(entry, paths, folders, *to))
            return false;
        manifest.entries.push_back(std::move(entry));
    }
    return !manifest.entries.empty();
}
