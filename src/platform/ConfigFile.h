// Opening the files the agent reads at start-up. Only a regular file within a
// size bound is opened: a device, FIFO, socket or folder (or a link to one)
// could block the open or never end, and is refused before a byte is read.
// Lines then come out as fgets gives them, within a byte budget, so a file
// that grows while it is read cannot keep the reader going either.
#ifndef KORVO_CONFIGFILE_H
#define KORVO_CONFIGFILE_H

#include <cstddef>
#include <cstdio>

enum ConfigFileStatus {
    CONFIG_FILE_OPENED,      // a regular file within the bound
    CONFIG_FILE_MISSING,     // it cannot be opened (missing, no permission, empty name)
    CONFIG_FILE_NOT_REGULAR, // a device, FIFO, socket or folder
    CONFIG_FILE_TOO_LARGE,   // larger than the bound
};

// The bound of the text files: the controller list, the trap destination
// files and snmpd.conf.
const long CONFIG_TEXT_MAX_BYTES = 1L << 20;
// The bound of a persisted definition file (far above what 999 records of
// every kind need in practice).
const long PERSIST_FILE_MAX_BYTES = 64L << 20;

// Opens pszPath for reading ("rb": the bytes as they are) if it is a regular
// file of at most nMaxBytes; null otherwise, with the reason in eStatus.
FILE* OpenConfigFile(const char* pszPath, long nMaxBytes, ConfigFileStatus& eStatus);

// The reason as a text for messages: "no such file or no permission", ...
const char* DescribeConfigFileStatus(ConfigFileStatus eStatus);

// Reads lines like fgets (a line longer than the buffer comes in pieces),
// stopping for good once nMaxBytes have been read.
class CConfigLineReader {
  public:
    CConfigLineReader(FILE* pFile, long nMaxBytes);
    // The next line or piece of one into pszLine (nSize bytes, at least 2);
    // false at the end of the file or once the budget is spent.
    bool nextLine(char* pszLine, int nSize);
    // Whether reading stopped because the budget was spent.
    bool exceeded() const { return m_bExceeded; }
    // The number of the line the last piece belongs to, from 1.
    int lineNumber() const { return m_nLine; }

  private:
    FILE* m_pFile;
    long m_nMaxBytes;
    bool m_bExceeded;
    bool m_bAtLineStart;
    int m_nLine;
};

#endif // KORVO_CONFIGFILE_H
