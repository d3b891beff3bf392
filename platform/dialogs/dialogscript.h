// The text form of dialog templates that the build compiles into their
// binary layouts. A script holds one or more dialogs:
//
//   #define IDC_NAME 1012                      (symbolic numbers)
//   129 DIALOGEX 0, 0, 280, 150                (DIALOG for the plain layout)
//   STYLE DS_SETFONT | WS_CHILD                (replaces the default style)
//   EXSTYLE WS_EX_CLIENTEDGE
//   CAPTION "Error in Project Generation"      (adds WS_CAPTION)
//   FONT 8, "MS Sans Serif"                    (adds DS_SETFONT; DIALOGEX
//                                               also takes weight, italic,
//                                               character set)
//   BEGIN                                      (or {)
//     LTEXT "&Name:", IDC_STATIC, 7, 7, 40, 8
//     EDITTEXT IDC_NAME, 50, 7, 100, 14, ES_AUTOHSCROLL
//     CONTROL "", 202, "msctls_trackbar32", TBS_BOTH, 7, 30, 100, 15
//     CONTROL 128, -1, STATIC, SS_BITMAP, 3, 3, 0, 0
//     DEFPUSHBUTTON "OK", IDOK, 100, 120, 50, 14, NOT WS_VISIBLE
//   END                                        (or })
//
// Text statements: LTEXT, RTEXT, CTEXT, GROUPBOX, PUSHBUTTON,
// DEFPUSHBUTTON, CHECKBOX, AUTOCHECKBOX, RADIOBUTTON, AUTORADIOBUTTON,
// STATE3, AUTO3STATE ("text", id, x, y, cx, cy [, style [, exstyle]]);
// EDITTEXT, LISTBOX, COMBOBOX (id, x, y, cx, cy [, style [, exstyle]]);
// ICON (icon, id, x, y [, cx, cy [, style]]); CONTROL (text or resource
// number, id, class, style, x, y, cx, cy [, exstyle [, help id]]).
// Every control is WS_CHILD | WS_VISIBLE plus its statement's own default
// style (a label is WS_GROUP, a button or an edit WS_TABSTOP, an edit and a
// list box WS_BORDER, a list box LBS_NOTIFY, a combo box CBS_SIMPLE unless
// its style names another kind); a style given in the
// statement is added to it, and NOT removes bits. Style names are those of
// platform/dialogs/dialogconstants.h; IDOK, IDCANCEL and IDC_STATIC are
// known. Comments are // and /* */; strings take "" or \" for a quote and
// \n, \r, \t, \\.
#ifndef PLATFORM_DIALOGS_DIALOGSCRIPT_H
#define PLATFORM_DIALOGS_DIALOGSCRIPT_H

#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs/dialogtemplate.h"

namespace Platform {

struct CompiledDialog {
  WORD id = 0;
  DialogTemplate dialogTemplate;
};

struct DialogScriptResult {
  std::vector<CompiledDialog> dialogs;
  // Empty when the script compiled; else "name:line: what", one per entry.
  std::vector<std::string> errors;
};

PLATFORM_API DialogScriptResult CompileDialogScript(std::string_view text, std::string_view sourceName);

}  // namespace Platform

#endif
