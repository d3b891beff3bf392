#include "travix/readers/dtd/dtdreport.h"

#include "travix/readers/dtd/scanstate.h"

namespace Travix::Dtd {

namespace {

// Like every hint, it ends the report without a line end: whoever shows the
// report ends its line.
constexpr std::string_view StandardHint =
    "For details on the source of this error, compare this line against the\n"
    "appropriate production rule in the XML spec at http://www.w3.org/TR/REC-xml.";

struct ReporterState {
  int errorCount = 0;
  int reportCount = 0;
  bool scanEnded = false;
  std::string lastError;
  std::string pendingHint;
  const ErrorPlace* place = nullptr;  // SetReportPlace
};

ReporterState& Reporter() {
  static ReporterState state;
  return state;
}

}  // namespace

void ResetReporter() { Reporter() = ReporterState(); }

void ReportError(std::string_view message) {
  ReporterState& reporter = Reporter();
  if (reporter.scanEnded) return;
  ErrorPlace place = reporter.place ? *reporter.place : CurrentErrorPlace();
  ++reporter.errorCount;
  std::string text = "Error: " + place.file + ": line " + std::to_string(place.line) + ": ";
  text.append(message);
  text += " at token \"" + place.token + "\" in the following line:\n" + place.lineText + "\n";
  if (!reporter.pendingHint.empty()) {
    text += reporter.pendingHint;
    reporter.pendingHint.clear();
  } else {
    text.append(StandardHint);
  }
  if (++reporter.reportCount > MaxReports) {
    text += "\nError: Too many errors - unable to continue\n";
    reporter.scanEnded = true;
  }
  reporter.lastError = std::move(text);
}

void SetReportPlace(const ErrorPlace* place) { Reporter().place = place; }

void ReportFatalError(std::string_view message) {
  ReportError(message);
  EndScan();
}

void SetPendingHint(std::string hint) { Reporter().pendingHint = std::move(hint); }

void RecordFailure(std::string_view text) {
  ReporterState& reporter = Reporter();
  if (reporter.scanEnded) return;
  ++reporter.errorCount;
  reporter.lastError = std::string(text);
  reporter.scanEnded = true;
}

void EndScan() { Reporter().scanEnded = true; }

bool ScanEnded() { return Reporter().scanEnded; }

int ErrorCount() { return Reporter().errorCount; }

const std::string& LastErrorText() { return Reporter().lastError; }

}  // namespace Travix::Dtd
