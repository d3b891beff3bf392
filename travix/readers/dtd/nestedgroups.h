// Removing the content groups of a DTD schema that add nothing.
//
// The grammar makes every parenthesised list a `group`, so even (a, b)
// arrives as an archetype holding one group. A group is merged into its
// parent (archetype or group) when that keeps the content model: its
// children move up in its place, carrying its order and, where the parent
// or its only child can take it, its occurrence. Groups that would change
// the model stay for the code writers.
//
// An occurrence moved onto a child is combined with the child's own
// (minimum times minimum, maximum times maximum, "*" absorbing), so (a+)?
// becomes a* and (a*)+ a*. A parent whose only child is the group takes
// the group's order, so ((a|b)) stays a choice.
#ifndef TRAVIX_DTD_NESTEDGROUPS_H
#define TRAVIX_DTD_NESTEDGROUPS_H

#include <xercesc/dom/DOMElement.hpp>

namespace Travix::Dtd {

// Visits every group under schema once, innermost and last first.
void EliminateNestedGroups(xercesc::DOMElement* schema);

}  // namespace Travix::Dtd

#endif
