// The wizard's dialog templates, compiled from travixwz.dlg at build time
// and carried in the program.
#ifndef TRAVIX_WIZARD_TEMPLATES_H
#define TRAVIX_WIZARD_TEMPLATES_H

#include <span>

#include "platform/types.h"

namespace Travix::Wizard {

// Dialog numbers.
inline constexpr UINT IDD_INPUT_STEP = 129;
inline constexpr UINT IDD_OUTPUT_STEP = 118;
inline constexpr UINT IDD_PROJECT_STEP = 137;
inline constexpr UINT IDD_MESSAGE = 130;
inline constexpr UINT IDD_ABOUT = 121;

// Controls (the numbers travixwz.dlg defines).
inline constexpr int IDC_PICTURE = 1040;
inline constexpr int IDC_INPUT_FILE = 1000;
inline constexpr int IDC_BROWSE = 1001;
inline constexpr int IDC_ABOUT = 1014;
inline constexpr int IDC_ADD_TO_PROJECT = 1017;
inline constexpr int IDC_NAMESPACE = 1012;
inline constexpr int IDC_USE_FILE_NAME = 1013;
inline constexpr int IDC_EXPORT_SCHEMA = 1019;
inline constexpr int IDC_NO_NAMESPACE = 1020;
inline constexpr int IDC_DISABLE_READ = 1030;
inline constexpr int IDC_MFC = 1009;
inline constexpr int IDC_DLL = 1010;
inline constexpr int IDC_BASE_DLL = 1011;
inline constexpr int IDC_MESSAGE = 1029;
inline constexpr int IDC_VERSION_TREE = 1025;

// Bitmaps the steps show.
inline constexpr UINT IDB_ABOUT = 128;
inline constexpr UINT IDB_INPUT_NONE = 132;
inline constexpr UINT IDB_INPUT_DTD = 125;
inline constexpr UINT IDB_INPUT_SCHEMA = 131;
inline constexpr UINT IDB_OUTPUT = 121;
inline constexpr UINT IDB_PROJECT = 138;

// The bytes of a dialog template; empty for a number the wizard lacks.
std::span<const BYTE> DialogTemplateBytes(UINT id);

}  // namespace Travix::Wizard

#endif
