// The error reporter that both scanning passes and the grammar share.
//
// A report names the file and line the text came from, the token and the
// text of that line, counts as an error and becomes the run's last-error
// text; only the last report survives, and that text is what Parse throws
// when a pass ends with errors. Reports come in two strengths: an ordinary
// report lets the scan go on (so several errors can be counted), a fatal
// one ends it. Once the scan has ended, later reports are dropped, so the
// grammar's complaint about the cut-off input cannot hide the cause.
#ifndef TRAVIX_DTD_DTDREPORT_H
#define TRAVIX_DTD_DTDREPORT_H

#include <string>
#include <string_view>

namespace Travix::Dtd {

// Reports beyond this many end the scan with a "Too many errors" line.
inline constexpr int MaxReports = 10;

void ResetReporter();

// Counts and records an error at the scanner's current place.
void ReportError(std::string_view message);

// Reports made while it is set name `place` instead of the scanner's
// current place (an entity value checked after its declaration is
// reported where it was declared); null goes back to the current place.
struct ErrorPlace;
void SetReportPlace(const ErrorPlace* place);

// As ReportError, then ends the scan.
void ReportFatalError(std::string_view message);

// Replaces the standard hint of the next report.
void SetPendingHint(std::string hint);

// A failure that is not tied to a place in the DTD (the reader's symbol
// table is full): the text becomes the last error as it stands, counts as an
// error and ends the scan.
void RecordFailure(std::string_view text);

// Ends the scan without a report (the caller has reported already).
void EndScan();

bool ScanEnded();
int ErrorCount();
const std::string& LastErrorText();

}  // namespace Travix::Dtd

#endif
