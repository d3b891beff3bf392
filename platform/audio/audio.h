// Wave input, wave output and the mixer, with the names, structures,
// flags and result codes the module servers were written against. Text is
// UTF-8 (the narrow forms).
//
// A device is opened for one format (PCM, mono, 16 bits, any rate the
// device takes). Buffers are WAVEHDRs the caller owns: prepared, then
// queued; a worker thread of the open device fills or plays them and marks
// them done, in queue order, as a driver did. Callers poll the done flag or
// take a callback (CALLBACK_FUNCTION, on the worker thread). The flags word
// is atomic, so polling from another thread is safe; everything else in a
// header belongs to the device from queueing until the done flag is seen.
// (Being atomic, a header is cleared by value-initialising it, WAVEHDR{},
// never with memset.)
//
// Devices come from one backend, chosen by the environment variable
// PLATFORM_AUDIO: "sim" (simulated devices that read and write WAV files,
// see platform/audio/sim.h) or "alsa". Without it, ALSA is used when the
// machine has a sound card and the simulation otherwise.
//
// Left out, because nothing here uses them: looping (WHDR_BEGINLOOP and
// WHDR_ENDLOOP are ignored), WAVE_FORMAT_QUERY, callbacks to windows,
// threads and events, pause/restart and position queries, mixerOpen and
// mixer handles, and the custom control details.
#ifndef PLATFORM_AUDIO_AUDIO_H
#define PLATFORM_AUDIO_AUDIO_H

#include <atomic>

#include "platform/api.h"
#include "platform/types.h"

using MMRESULT = UINT;
PLATFORM_DECLARE_HANDLE(HWAVEIN);
PLATFORM_DECLARE_HANDLE(HWAVEOUT);
PLATFORM_DECLARE_HANDLE(HMIXEROBJ);
using LPHWAVEIN = HWAVEIN*;
using LPHWAVEOUT = HWAVEOUT*;

// ---- Result codes ----------------------------------------------------------

#define MMSYSERR_BASE 0u
#define WAVERR_BASE 32u
#define MIXERR_BASE 1024u

#define MMSYSERR_NOERROR 0u
#define MMSYSERR_ERROR 1u
#define MMSYSERR_BADDEVICEID 2u
#define MMSYSERR_NOTENABLED 3u
#define MMSYSERR_ALLOCATED 4u
#define MMSYSERR_INVALHANDLE 5u
#define MMSYSERR_NODRIVER 6u
#define MMSYSERR_NOMEM 7u
#define MMSYSERR_NOTSUPPORTED 8u
#define MMSYSERR_BADERRNUM 9u
#define MMSYSERR_INVALFLAG 10u
#define MMSYSERR_INVALPARAM 11u
#define MMSYSERR_HANDLEBUSY 12u
#define MMSYSERR_LASTERROR 21u

#define WAVERR_BADFORMAT 32u
#define WAVERR_STILLPLAYING 33u
#define WAVERR_UNPREPARED 34u
#define WAVERR_SYNC 35u

#define MIXERR_INVALLINE 1024u
#define MIXERR_INVALCONTROL 1025u
#define MIXERR_INVALVALUE 1026u

#define MAXERRORLENGTH 256u
#define MAXPNAMELEN 32u

// ---- Formats ---------------------------------------------------------------

#define WAVE_FORMAT_PCM 1u

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
using LPWAVEFORMATEX = WAVEFORMATEX*;
using LPCWAVEFORMATEX = const WAVEFORMATEX*;

// Standard formats a device's capabilities list (rate in kHz, mono or
// stereo, 8 or 16 bits).
#define WAVE_FORMAT_1M08 0x00000001u
#define WAVE_FORMAT_1S08 0x00000002u
#define WAVE_FORMAT_1M16 0x00000004u
#define WAVE_FORMAT_1S16 0x00000008u
#define WAVE_FORMAT_2M08 0x00000010u
#define WAVE_FORMAT_2S08 0x00000020u
#define WAVE_FORMAT_2M16 0x00000040u
#define WAVE_FORMAT_2S16 0x00000080u
#define WAVE_FORMAT_4M08 0x00000100u
#define WAVE_FORMAT_4S08 0x00000200u
#define WAVE_FORMAT_4M16 0x00000400u
#define WAVE_FORMAT_4S16 0x00000800u

// ---- Buffers ---------------------------------------------------------------

#define WHDR_DONE 0x00000001u
#define WHDR_PREPARED 0x00000002u
#define WHDR_BEGINLOOP 0x00000004u
#define WHDR_ENDLOOP 0x00000008u
#define WHDR_INQUEUE 0x00000010u

struct WAVEHDR {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  std::atomic<DWORD> dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;
  DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;

// ---- Opening ---------------------------------------------------------------

#define WAVE_MAPPER (static_cast<UINT>(-1))

#define CALLBACK_TYPEMASK 0x00070000u
#define CALLBACK_NULL 0x00000000u
#define CALLBACK_WINDOW 0x00010000u
#define CALLBACK_THREAD 0x00020000u
#define CALLBACK_FUNCTION 0x00030000u
#define CALLBACK_EVENT 0x00050000u

// Callback messages: dwParam1 is the WAVEHDR for WIM_DATA and WOM_DONE.
#define WOM_OPEN 0x3BBu
#define WOM_CLOSE 0x3BCu
#define WOM_DONE 0x3BDu
#define WIM_OPEN 0x3BEu
#define WIM_CLOSE 0x3BFu
#define WIM_DATA 0x3C0u

// The function passed (as a DWORD_PTR) with CALLBACK_FUNCTION: called on
// the caller's thread for the open and close messages and on the device's
// worker thread for completed buffers. It may poll headers but must not
// call back into the device.
using WAVEINCALLBACK = void (*)(HWAVEIN hwi, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1,
                                DWORD_PTR dwParam2);
using WAVEOUTCALLBACK = void (*)(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1,
                                 DWORD_PTR dwParam2);

// ---- Capabilities ----------------------------------------------------------

#define WAVECAPS_VOLUME 0x0004u
#define WAVECAPS_LRVOLUME 0x0008u

struct WAVEINCAPS {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  CHAR szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
};
using LPWAVEINCAPS = WAVEINCAPS*;

struct WAVEOUTCAPS {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  CHAR szPname[MAXPNAMELEN];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
  DWORD dwSupport;
};
using LPWAVEOUTCAPS = WAVEOUTCAPS*;

// ---- Wave input ------------------------------------------------------------

PLATFORM_API UINT waveInGetNumDevs();
PLATFORM_API MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, LPWAVEINCAPS pwic, UINT cbwic);
// The text of a result code (MMSYSERR_*, WAVERR_*, MIXERR_*), cut to
// cchText - 1 characters; MMSYSERR_BADERRNUM and an empty text for an
// unknown code.
PLATFORM_API MMRESULT waveInGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText);
// Only PCM mono 16-bit formats (nBlockAlign 2, nAvgBytesPerSec twice the
// rate) open; others answer WAVERR_BADFORMAT. The device is stopped.
PLATFORM_API MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                                 DWORD_PTR dwInstance, DWORD fdwOpen);
// WAVERR_STILLPLAYING while buffers are queued (reset first).
PLATFORM_API MMRESULT waveInClose(HWAVEIN hwi);
PLATFORM_API MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
// WAVERR_STILLPLAYING for a queued buffer; an unprepared one is left alone.
PLATFORM_API MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
// WAVERR_UNPREPARED for a buffer not prepared, WAVERR_STILLPLAYING for one
// already queued: neither is queued.
PLATFORM_API MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
PLATFORM_API MMRESULT waveInStart(HWAVEIN hwi);
// Stops recording; a partly filled buffer is marked done with what it holds.
PLATFORM_API MMRESULT waveInStop(HWAVEIN hwi);
// Stops recording and marks every queued buffer done.
PLATFORM_API MMRESULT waveInReset(HWAVEIN hwi);

// ---- Wave output -----------------------------------------------------------

PLATFORM_API UINT waveOutGetNumDevs();
PLATFORM_API MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, LPWAVEOUTCAPS pwoc, UINT cbwoc);
PLATFORM_API MMRESULT waveOutGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText);
PLATFORM_API MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                                  DWORD_PTR dwInstance, DWORD fdwOpen);
PLATFORM_API MMRESULT waveOutClose(HWAVEOUT hwo);
PLATFORM_API MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
PLATFORM_API MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
// The buffer's data is taken when it is written; WAVERR_UNPREPARED and
// WAVERR_STILLPLAYING as for waveInAddBuffer.
PLATFORM_API MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
// Stops playing and marks every queued buffer done.
PLATFORM_API MMRESULT waveOutReset(HWAVEOUT hwo);
// Low word the left (mono) level, high word the right, 0xFFFF full.
PLATFORM_API MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume);
PLATFORM_API MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD pdwVolume);

// ---- Mixer -----------------------------------------------------------------

#define MIXER_SHORT_NAME_CHARS 16u
#define MIXER_LONG_NAME_CHARS 64u

// How a mixer is addressed (the HMIXEROBJ argument): by mixer number, or
// as the mixer of a wave-input or wave-output device, by number or open
// handle. A "handle" with MIXER_OBJECTF_HWAVEIN or HWAVEOUT that is no open
// handle but a device number is taken as that number.
#define MIXER_OBJECTF_HANDLE 0x80000000u
#define MIXER_OBJECTF_MIXER 0x00000000u
#define MIXER_OBJECTF_HMIXER 0x80000000u
#define MIXER_OBJECTF_WAVEOUT 0x10000000u
#define MIXER_OBJECTF_HWAVEOUT 0x90000000u
#define MIXER_OBJECTF_WAVEIN 0x20000000u
#define MIXER_OBJECTF_HWAVEIN 0xA0000000u
#define MIXER_OBJECTF_TYPEMASK 0xF0000000u

struct MIXERCAPS {
  WORD wMid;
  WORD wPid;
  UINT vDriverVersion;
  CHAR szPname[MAXPNAMELEN];
  DWORD fdwSupport;
  DWORD cDestinations;
};
using LPMIXERCAPS = MIXERCAPS*;

#define MIXERLINE_LINEF_ACTIVE 0x00000001u
#define MIXERLINE_LINEF_DISCONNECTED 0x00008000u
#define MIXERLINE_LINEF_SOURCE 0x80000000u

#define MIXERLINE_COMPONENTTYPE_DST_UNDEFINED 0x0000u
#define MIXERLINE_COMPONENTTYPE_DST_SPEAKERS 0x0004u
#define MIXERLINE_COMPONENTTYPE_DST_WAVEIN 0x0007u
#define MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED 0x1000u
#define MIXERLINE_COMPONENTTYPE_SRC_DIGITAL 0x1001u
#define MIXERLINE_COMPONENTTYPE_SRC_LINE 0x1002u
#define MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE 0x1003u
#define MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC 0x1005u
#define MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT 0x1008u
#define MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY 0x1009u
#define MIXERLINE_COMPONENTTYPE_SRC_ANALOG 0x100Au

#define MIXERLINE_TARGETTYPE_UNDEFINED 0u
#define MIXERLINE_TARGETTYPE_WAVEOUT 1u
#define MIXERLINE_TARGETTYPE_WAVEIN 2u

struct MIXERLINE {
  DWORD cbStruct;
  DWORD dwDestination;
  DWORD dwSource;
  DWORD dwLineID;
  DWORD fdwLine;
  DWORD_PTR dwUser;
  DWORD dwComponentType;
  DWORD cChannels;
  DWORD cConnections;
  DWORD cControls;
  CHAR szShortName[MIXER_SHORT_NAME_CHARS];
  CHAR szName[MIXER_LONG_NAME_CHARS];
  struct {
    DWORD dwType;
    DWORD dwDeviceID;
    WORD wMid;
    WORD wPid;
    UINT vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
  } Target;
};
using LPMIXERLINE = MIXERLINE*;

#define MIXER_GETLINEINFOF_DESTINATION 0x00000000u
#define MIXER_GETLINEINFOF_SOURCE 0x00000001u
#define MIXER_GETLINEINFOF_LINEID 0x00000002u
#define MIXER_GETLINEINFOF_COMPONENTTYPE 0x00000003u
#define MIXER_GETLINEINFOF_QUERYMASK 0x0000000Fu

// Control types: class, units and subclass bits, as the values are built.
#define MIXERCONTROL_CT_CLASS_SWITCH 0x20000000u
#define MIXERCONTROL_CT_CLASS_FADER 0x50000000u
#define MIXERCONTROL_CT_CLASS_LIST 0x70000000u
#define MIXERCONTROL_CT_CLASS_MASK 0xF0000000u
#define MIXERCONTROL_CONTROLTYPE_BOOLEAN 0x20010000u
#define MIXERCONTROL_CONTROLTYPE_ONOFF 0x20010001u
#define MIXERCONTROL_CONTROLTYPE_MUTE 0x20010002u
#define MIXERCONTROL_CONTROLTYPE_FADER 0x50030000u
#define MIXERCONTROL_CONTROLTYPE_VOLUME 0x50030001u
#define MIXERCONTROL_CONTROLTYPE_SINGLESELECT 0x70010000u
#define MIXERCONTROL_CONTROLTYPE_MUX 0x70010001u

#define MIXERCONTROL_CONTROLF_UNIFORM 0x00000001u
#define MIXERCONTROL_CONTROLF_MULTIPLE 0x00000002u
#define MIXERCONTROL_CONTROLF_DISABLED 0x80000000u

struct MIXERCONTROL {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD dwControlType;
  DWORD fdwControl;
  DWORD cMultipleItems;
  CHAR szShortName[MIXER_SHORT_NAME_CHARS];
  CHAR szName[MIXER_LONG_NAME_CHARS];
  union {
    struct {
      LONG lMinimum;
      LONG lMaximum;
    } s;
    struct {
      DWORD dwMinimum;
      DWORD dwMaximum;
    } u;
    DWORD dwReserved[6];
  } Bounds;
  union {
    DWORD cSteps;
    DWORD cbCustomData;
    DWORD dwReserved[6];
  } Metrics;
};
using LPMIXERCONTROL = MIXERCONTROL*;

#define MIXER_GETLINECONTROLSF_ALL 0x00000000u
#define MIXER_GETLINECONTROLSF_ONEBYID 0x00000001u
#define MIXER_GETLINECONTROLSF_ONEBYTYPE 0x00000002u
#define MIXER_GETLINECONTROLSF_QUERYMASK 0x0000000Fu

// With MIXER_GETLINECONTROLSF_ALL, cControls is the room in pamxctrl; the
// line's first controls up to that room are given and cControls is set to
// the number given.
struct MIXERLINECONTROLS {
  DWORD cbStruct;
  DWORD dwLineID;
  union {
    DWORD dwControlID;
    DWORD dwControlType;
  };
  DWORD cControls;
  DWORD cbmxctrl;
  LPMIXERCONTROL pamxctrl;
};
using LPMIXERLINECONTROLS = MIXERLINECONTROLS*;

struct MIXERCONTROLDETAILS {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD cChannels;
  union {
    HWND hwndOwner;
    DWORD cMultipleItems;
  };
  DWORD cbDetails;
  LPVOID paDetails;
};
using LPMIXERCONTROLDETAILS = MIXERCONTROLDETAILS*;

struct MIXERCONTROLDETAILS_LISTTEXT {
  DWORD dwParam1;
  DWORD dwParam2;
  CHAR szName[MIXER_LONG_NAME_CHARS];
};
struct MIXERCONTROLDETAILS_BOOLEAN {
  LONG fValue;
};
struct MIXERCONTROLDETAILS_SIGNED {
  LONG lValue;
};
struct MIXERCONTROLDETAILS_UNSIGNED {
  DWORD dwValue;
};

#define MIXER_GETCONTROLDETAILSF_VALUE 0x00000000u
#define MIXER_GETCONTROLDETAILSF_LISTTEXT 0x00000001u
#define MIXER_GETCONTROLDETAILSF_QUERYMASK 0x0000000Fu
#define MIXER_SETCONTROLDETAILSF_VALUE 0x00000000u
#define MIXER_SETCONTROLDETAILSF_QUERYMASK 0x0000000Fu

PLATFORM_API UINT mixerGetNumDevs();
PLATFORM_API MMRESULT mixerGetDevCaps(UINT_PTR uMxId, LPMIXERCAPS pmxcaps, UINT cbmxcaps);
PLATFORM_API MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, LPMIXERLINE pmxl, DWORD fdwInfo);
PLATFORM_API MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, LPMIXERLINECONTROLS pmxlc, DWORD fdwControls);
// Values are read and written per item for a list control (cMultipleItems
// the control's item count, cChannels 1), one value otherwise; a value out
// of a control's bounds answers MIXERR_INVALVALUE and changes nothing.
PLATFORM_API MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails);
PLATFORM_API MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails);

#endif
