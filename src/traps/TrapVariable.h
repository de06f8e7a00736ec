// The trap variables of one event in the text form that the trap sender
// takes, and how many an event and one sender run hold. The daemon only.
#ifndef KORVO_TRAPVARIABLE_H
#define KORVO_TRAPVARIABLE_H

// One trap variable in the text form that the trap sender takes.
const int OID_VAR_OID_SIZE = 64;    // up to 63 characters
const int OID_VAR_TYPE_SIZE = 2;    // "i", "s" or empty
const int OID_VAR_VALUE_SIZE = 128; // up to 127 characters

typedef struct _OID_VAR_TAG {
    char szOID[OID_VAR_OID_SIZE] = {};
    char szType[OID_VAR_TYPE_SIZE] = {};
    char szValue[OID_VAR_VALUE_SIZE] = {};
} OID_VAR, *POID_VAR;

const int TRAP_VAR_SLOTS = 9;       // variables one event is assembled into
const int TRAP_SENDER_MAX_VARS = 8; // variables one sender run takes

#endif // KORVO_TRAPVARIABLE_H
