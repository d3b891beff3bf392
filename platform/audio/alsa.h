// How the ALSA backend maps a card's mixer elements onto the mixer model,
// apart from the ALSA calls, so that the mapping can be tried on made-up
// cards.
#ifndef PLATFORM_AUDIO_ALSA_H
#define PLATFORM_AUDIO_ALSA_H

#include <functional>
#include <string>
#include <vector>

#include "platform/audio/internal.h"

namespace platform::audio::detail {

// One simple element: a capture volume (scaled to 0..65535), an on/off
// switch (its capture switch, or a boost gain stage at its ends), and the
// items of an enumerated capture source. The setters carry new values to
// the card and may be empty.
struct AlsaElement {
  std::string name;
  bool hasVolume = false;
  DWORD volume = 0;
  std::function<void(DWORD)> setVolume;
  bool hasSwitch = false;
  bool switchOn = false;
  std::function<void(bool)> setSwitch;
  std::vector<std::string> items;
  unsigned item = 0;
  std::function<void(unsigned)> setItem;
};

// A mixer with one recording destination: a source per element with a
// capture volume (other than the master "Capture" and the boosts), each
// with its volume and, where an element "<source> ...Boost..." has a
// switch, a boost; the selector is the first enumerated element, or else
// the sources' capture switches.
MixerModel BuildAlsaMixer(const std::string& name, const std::vector<AlsaElement>& elements);

}  // namespace platform::audio::detail

#endif
