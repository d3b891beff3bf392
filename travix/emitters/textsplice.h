// Fills the per-schema parts into the fixed text of a generated file.
//
// The writers keep each fixed piece of generated text as one raw-string
// template in which "@NAME@" marks a place for per-schema text. Keeping the
// fixed text whole makes the generated files readable in the writer's own
// source, and one splice function keeps the marker syntax in one place.
#ifndef TRAVIX_TEXTSPLICE_H
#define TRAVIX_TEXTSPLICE_H

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "travix/emitters/srcwriapi.h"

namespace Travix {

// One place holder and the text that replaces it.
using Splicing = std::pair<std::string_view, std::string_view>;

// The template with every "@NAME@" replaced by the text given for NAME.
// Spliced text is never searched for markers again, so it may hold "@".
// A marker without a text, or an unterminated one, is a fault of the
// writer's own templates and throws std::logic_error.
SRCWRI_API std::string Splice(std::string_view text, std::initializer_list<Splicing> parts);

}  // namespace Travix

#endif
