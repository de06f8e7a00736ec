// The controller list and the MIB definition readers: the list names the
// controller types, each with its definition file, library index and trap
// switches; every definition is read (from its persisted file where there is
// one) into a store of the table of stores, which is then sorted by prefix.
// CParseINI's readINI reads a definition file itself (parseinifile.cpp).
#ifndef KORVO_PARSEINIFILE_H
#define KORVO_PARSEINIFILE_H

// Reads the controller list at its fixed place and loads the stores.
int initParseINI(int iOSType);
// The same from a given controller list path (iOSType still decides the
// meaning of the further tokens and how definition file names are formed).
int initParseINIFromFile(const char* pszControllerList, int iOSType);

#endif // KORVO_PARSEINIFILE_H
