// Where a get-next goes on from an OID that names no object: past a group's
// last member or a table's last column, an unused entry number, a
// sub-identifier of 2^31 or more, an object with further sub-identifiers
// below it. Managers resume walks from such OIDs; answering "no next object"
// there would end the agent's whole subtree for them.
//
// The request is moved to the position from which the usual get-next reaches
// the object the walk reaches next after it: inside the group or table that
// holds the request OID, at the first object of the walk-order entry that
// follows, or, for an OID outside every definition, at the first object of
// the definition with the next larger prefix (compared as numbers, so that
// sub-identifiers of 2^31 and above, which print as negative numbers, do not
// lead back to the first definition). The walk order stays the definition's own: for a walk order that
// increases, this is the first object after the request in OID order.
#ifndef KORVO_WALKRESUME_H
#define KORVO_WALKRESUME_H

#include "platform/snmptype.h"

enum WalkResumeResult {
    WALK_RESUME_UNCHANGED, // the usual get-next handles the request as it is
    WALK_RESUME_MOVED,     // the binding's name now names the resume position
    WALK_RESUME_END,       // no object of any definition follows the request
};

// Looks at a get-next request's name and moves it where needed. The name's
// buffer must hold at least the longest resume position (a prefix, an entry
// OID, an attribute and an instance: at most 42 sub-identifiers).
WalkResumeResult ResumeWalkPosition(AsnObjectIdentifier& stName);

#endif // KORVO_WALKRESUME_H
