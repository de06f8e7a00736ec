// A private working folder for one fuzzer process: readers that take a path
// are fed through files in it, and the store's trace file "temp.txt" is a
// link to /dev/null so that millions of stores do not fill the disk.
#ifndef KORVO_CFUZZWORKDIR_H
#define KORVO_CFUZZWORKDIR_H

#include <cstddef>
#include <cstdint>
#include <string>

class CFuzzWorkDir {
  public:
    // Creates the folder under /tmp, makes it the working directory and
    // removes it when the process exits.
    static void Enter();

    // Writes the bytes to a file of that name in the folder; returns its path.
    static std::string WriteFile(const char* pszName, const uint8_t* pData, size_t nSize);

    // Path of a name inside the folder.
    static std::string PathOf(const char* pszName);

  private:
    static void RemoveAtExit();
    static char m_szFolder[64];
};

#endif // KORVO_CFUZZWORKDIR_H
