// Numbers of the dialog world: window and control styles, the command
// identifiers of the standard buttons, notification codes and check states.
// They are the values stored in dialog templates and passed by the
// products, so they keep the values those templates and products expect.
#ifndef PLATFORM_DIALOGS_DIALOGCONSTANTS_H
#define PLATFORM_DIALOGS_DIALOGCONSTANTS_H

#include "platform/types.h"

// Command identifiers of the standard buttons (also message-box answers).
#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#endif
#define IDC_STATIC (-1)

// Window styles.
#ifndef WS_POPUP
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CLIPCHILDREN 0x02000000u
#define WS_MAXIMIZE 0x01000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_THICKFRAME 0x00040000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_MAXIMIZEBOX 0x00010000u
#define WS_EX_DLGMODALFRAME 0x00000001u
#define WS_EX_TRANSPARENT 0x00000020u
#define WS_EX_CLIENTEDGE 0x00000200u
#define WS_EX_STATICEDGE 0x00020000u
#endif

// Dialog styles.
#define DS_ABSALIGN 0x01u
#define DS_SYSMODAL 0x02u
#define DS_3DLOOK 0x04u
#define DS_FIXEDSYS 0x08u
#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define DS_CONTROL 0x400u
#define DS_CENTER 0x800u
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

// Button styles (the low four bits are the kind).
#define BS_PUSHBUTTON 0x0u
#define BS_DEFPUSHBUTTON 0x1u
#define BS_CHECKBOX 0x2u
#define BS_AUTOCHECKBOX 0x3u
#define BS_RADIOBUTTON 0x4u
#define BS_3STATE 0x5u
#define BS_AUTO3STATE 0x6u
#define BS_GROUPBOX 0x7u
#define BS_AUTORADIOBUTTON 0x9u
#define BS_OWNERDRAW 0xBu
#define BS_TYPEMASK 0xFu
#define BS_LEFTTEXT 0x20u
#define BS_BITMAP 0x80u

// Static styles.
#define SS_LEFT 0x0u
#define SS_CENTER 0x1u
#define SS_RIGHT 0x2u
#define SS_ICON 0x3u
#define SS_BLACKFRAME 0x7u
#define SS_GRAYFRAME 0x8u
#define SS_WHITEFRAME 0x9u
#define SS_LEFTNOWORDWRAP 0xCu
#define SS_BITMAP 0xEu
#define SS_ETCHEDFRAME 0x12u
#define SS_TYPEMASK 0x1Fu
#define SS_NOPREFIX 0x80u
#define SS_NOTIFY 0x100u
#define SS_CENTERIMAGE 0x200u
#define SS_REALSIZEIMAGE 0x800u
#define SS_SUNKEN 0x1000u

// Edit styles.
#define ES_LEFT 0x0u
#define ES_CENTER 0x1u
#define ES_RIGHT 0x2u
#define ES_MULTILINE 0x4u
#define ES_UPPERCASE 0x8u
#define ES_LOWERCASE 0x10u
#define ES_PASSWORD 0x20u
#define ES_AUTOVSCROLL 0x40u
#define ES_AUTOHSCROLL 0x80u
#define ES_NOHIDESEL 0x100u
#define ES_READONLY 0x800u
#define ES_WANTRETURN 0x1000u
#define ES_NUMBER 0x2000u

// List box and combo box styles.
#define LBS_NOTIFY 0x1u
#define LBS_SORT 0x2u
#define LBS_NOINTEGRALHEIGHT 0x100u
#define LBS_STANDARD (LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER)
#define CBS_SIMPLE 0x1u
#define CBS_DROPDOWN 0x2u
#define CBS_DROPDOWNLIST 0x3u
#define CBS_AUTOHSCROLL 0x40u
#define CBS_SORT 0x100u
#define CBS_HASSTRINGS 0x200u
#define CBS_NOINTEGRALHEIGHT 0x400u

// Trackbar and tree view styles.
#define TBS_AUTOTICKS 0x1u
#define TBS_VERT 0x2u
#define TBS_HORZ 0x0u
#define TBS_BOTH 0x8u
#define TBS_NOTICKS 0x10u
#define TVS_HASBUTTONS 0x1u
#define TVS_HASLINES 0x2u
#define TVS_LINESATROOT 0x4u
#define TVS_SHOWSELALWAYS 0x20u

// Notification codes sent with a command from a control.
#define BN_CLICKED 0
#define BN_DOUBLECLICKED 5
#define EN_SETFOCUS 0x100
#define EN_KILLFOCUS 0x200
#define EN_CHANGE 0x300
#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_EDITCHANGE 5
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8

// Scroll codes of a trackbar's scroll notification.
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

// Check states.
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2

// Results of list operations.
#define LB_ERR (-1)
#define CB_ERR (-1)

// Show commands.
#ifndef SW_HIDE
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWNA 8
#endif

// Menu entries.
#ifndef MF_STRING
#define MF_STRING 0x0u
#define MF_SEPARATOR 0x800u
#endif

// System-menu commands: the low four bits are the system's own.
#define SC_CLOSE 0xF060u

// Options of the open-file dialog.
#define OFN_READONLY 0x1u
#define OFN_OVERWRITEPROMPT 0x2u
#define OFN_HIDEREADONLY 0x4u
#define OFN_NOCHANGEDIR 0x8u
#define OFN_PATHMUSTEXIST 0x800u
#define OFN_FILEMUSTEXIST 0x1000u
#define OFN_EXPLORER 0x80000u

// Status flags a property page reports to its site.
#define PROPPAGESTATUS_DIRTY 0x1u
#define PROPPAGESTATUS_VALIDATE 0x2u
#define PROPPAGESTATUS_CLEAN 0x4u

// The classes of a template's control entries named by an ordinal.
#define DLGCLASS_BUTTON 0x0080
#define DLGCLASS_EDIT 0x0081
#define DLGCLASS_STATIC 0x0082
#define DLGCLASS_LISTBOX 0x0083
#define DLGCLASS_SCROLLBAR 0x0084
#define DLGCLASS_COMBOBOX 0x0085

// The resource type of dialog templates.
#define DIALOG_RESOURCE_TYPE 5

#endif
