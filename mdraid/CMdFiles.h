// The kernel's md files under the root folder: "/" on a real host, or the
// folder that KORVOMD_ROOT names (which then holds sys/block/... and
// proc/mdstat). Reads are bounded and never block; a sysfs attribute that
// fails to read (EBUSY, EINVAL, ...), is empty, or holds anything but one
// line of printable text is reported as such, never guessed at.
#ifndef KORVOMD_CMDFILES_H
#define KORVOMD_CMDFILES_H

#include <string>
#include <vector>

extern const char* const MD_ROOT_ENV; // "KORVOMD_ROOT"

enum EMdReadStatus {
    MD_READ_OK,
    MD_READ_MISSING,  // no such file (ENOENT, ENOTDIR)
    MD_READ_FAILED,   // open or read failed otherwise; nErrno says why
    MD_READ_EMPTY,    // nothing but blanks
    MD_READ_NOT_TEXT, // not a regular file, too long, or not printable text
};

struct CMdFileText {
    EMdReadStatus eStatus = MD_READ_MISSING;
    std::string strText; // without leading and trailing blanks and newlines
    int nErrno = 0;
};

class CMdFiles {
  public:
    // strRoot "" or "/" is the real root.
    explicit CMdFiles(const std::string& strRoot);

    // The root that KORVOMD_ROOT names, or "/".
    static std::string RootFromEnvironment();

    const std::string& root() const { return m_strRoot; }
    // /sys/block under the root.
    std::string blockFolder() const;
    // /sys/block/NAME/md under the root.
    std::string mdFolder(const std::string& strArray) const;
    // /proc/mdstat under the root.
    std::string mdstatPath() const;

    // Reads one sysfs attribute: one line of printable text.
    static CMdFileText readAttribute(const std::string& strPath);
    // Reads a text of several lines (/proc/mdstat) of at most nMaxBytes.
    static CMdFileText readLines(const std::string& strPath, size_t nMaxBytes);
    // Writes a text to an existing attribute file, as "echo TEXT > FILE"
    // does. False with the reason in strError.
    static bool writeAttribute(const std::string& strPath, const std::string& strText,
                               std::string& strError);
    // The names in a folder, without "." and "..". False when the folder
    // cannot be read (bMissing then says whether it does not exist).
    static bool listFolder(const std::string& strPath, std::vector<std::string>& vNames,
                           bool& bMissing);
    static bool folderExists(const std::string& strPath);

    // What a failed read says in a log line: "is empty", "cannot be read: ...".
    static std::string describeFailure(const CMdFileText& stText);

  private:
    std::string m_strRoot; // without a trailing slash; "" for the real root
};

#endif // KORVOMD_CMDFILES_H
