#include "tools/updatecheck/dry_run_printer.h"

#include "app/ansi_text.h"

#include <cstdio>

void CDryRunPrinter::DeltaOffered(const std::u16string& installedVersion, const DeltaPin* delta,
                                  std::optional<uint64_t> packageSize) {
    if (!delta) {
        Line("delta: none offered from " + Utf16ToAnsi(installedVersion) +
             " (the whole package would be downloaded)");
        return;
    }
    std::string line = "delta: " + delta->name + " from " + Utf16ToAnsi(installedVersion) + ", " +
                       std::to_string(delta->pin.size) + " bytes";
    if (packageSize && *packageSize > 0) {
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.1f%%",
                      100.0 * static_cast<double>(delta->pin.size) /
                          static_cast<double>(*packageSize));
        line += " against the package's " + std::to_string(*packageSize) + " (" + percent + ")";
    }
    Line(line);
}

void CDryRunPrinter::DeltaChecked(bool downloaded, bool applied, const DeltaApplyCounts& counts) {
    if (!downloaded) {
        Line("delta check: the delta could not be downloaded and verified against its pin");
    } else if (!applied) {
        Line("delta check: the delta does not apply to the installed version (the package "
             "would be installed instead)");
    } else {
        Line("delta check: applied into a temporary folder, every file's size and hash as listed (" +
             std::to_string(counts.copied + counts.linked) + " unchanged, " +
             std::to_string(counts.patched) + " patched, " + std::to_string(counts.whole) +
             " whole)");
        return;
    }
    Problem(kExitPackageProblem);
}
