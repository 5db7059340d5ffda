#include "app/delta_pin.h"

#include "app/ansi_text.h"
#include "markup/escape.h"
#include "markup/xml_doc.h"

std::vector<DeltaPin> ReadDeltaPins(CXmlDoc& record) {
    std::vector<DeltaPin> deltas;
    record.RewindChildren();
    while (record.LocateChild(u"Delta")) {
        const std::optional<std::string> from = ReadAsciiAttribute(record, record.childPos, u"from");
        const std::optional<std::string> name = ReadAsciiAttribute(record, record.childPos, u"name");
        DeltaPin delta;
        if (!from || !name || ReadPinAttributes(record, record.childPos, delta.pin) != PinState::Pinned)
            continue;
        delta.fromVersion = AnsiToUtf16(*from);
        delta.name = *name;
        deltas.push_back(std::move(delta));
    }
    return deltas;
}

std::u16string DeltaPinElement(const DeltaPin& delta) {
    const std::u16string pin = PackagePinElement(delta.pin);
    // <Package size=... /> with the element's name and the two attributes of its own.
    return u"<Delta from=\"" + EscapeMarkup(delta.fromVersion, ESCF_QUOTES) + u"\" name=\"" +
           EscapeMarkup(AnsiToUtf16(delta.name), ESCF_QUOTES) + u"\"" +
           pin.substr(std::u16string_view(u"<Package").size());
}
