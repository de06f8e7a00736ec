// A reader of the profile format (sections in brackets, key=value lines) with
// the semantics of the platform's private profile functions: a missing key
// gives the default, a text is cut to the buffer, and section and key names
// match without regard to case. The first section of a name and the first key
// of a name within it win.
#ifndef KORVO_PROFILEINI_H
#define KORVO_PROFILEINI_H

#include <cstddef>
#include <string>
#include <vector>

class CProfileIni {
  public:
    // Reads the whole file; false when it cannot be opened.
    bool load(const char* pszFile);

    // The value of the key (white space around it removed), or the default
    // when the key is missing, cut to nSize-1 characters. Returns the number
    // of characters copied.
    size_t getString(const char* pszSection, const char* pszKey, const char* pszDefault,
                     char* pszBuffer, size_t nSize) const;
    // The key's decimal value (leading digits with an optional sign; none give
    // 0), or the default when the key is missing.
    int getInt(const char* pszSection, const char* pszKey, int nDefault) const;

    bool hasSection(const char* pszSection) const;
    bool hasKey(const char* pszSection, const char* pszKey) const;
    // The key's whole value, or null when the key is missing.
    const std::string* findValue(const char* pszSection, const char* pszKey) const;

  private:
    struct Entry {
        std::string strKey;
        std::string strValue;
    };
    struct Section {
        std::string strName;
        std::vector<Entry> entries;
    };
    const Section* findSection(const char* pszSection) const;
    std::vector<Section> m_sections;
};

#endif // KORVO_PROFILEINI_H
