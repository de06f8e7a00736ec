// Names of an SMIv2 MIB module formed from a MIB definition: the module name
// from the definition's file name, and descriptors from class and attribute
// names that are valid SMI descriptors (a lower-case letter first, letters
// and digits only, at most 64 characters) and unique within the module.
#ifndef KORVO_MIBNAMES_H
#define KORVO_MIBNAMES_H

#include <set>
#include <string>

const size_t MAX_DESCRIPTOR_SIZE = 64;

// "dir/korvosim-raid.ini" gives "KORVOSIM-RAID-MIB": upper case, every run of
// other characters one hyphen, "-MIB" appended unless present; "KORVO-MIB"
// when nothing is left.
std::string ModuleNameFromFile(const std::string& strFile);

// The stem of the module's own descriptors: "KORVOSIM-RAID-MIB" gives
// "korvosimRaid".
std::string DescriptorStem(const std::string& strModule);

// Letters and digits of a name as one word with a capital first letter; a
// character that is neither starts a new capitalised part: "fan_speed" gives
// "FanSpeed".
std::string CapitalWord(const std::string& strName);

// A class name joined with an attribute name, the words that end the one and
// begin the other written once: "PhysicalDrive" and "DriveId" give
// "physicalDriveId", "Adapter" and "AdapterId" give "adapterId".
std::string JoinClassAndAttribute(const std::string& strClass, const std::string& strAttribute);

// The descriptors handed out in one module.
class CNameRegistry {
  public:
    // A unique descriptor for the wanted name: its first letter lower case
    // (a leading digit gets the fallback stem before it), cut to fit, and a
    // number appended while the name is taken.
    std::string claim(const std::string& strWanted, const std::string& strFallbackStem);
    // The name itself; false when it is taken.
    bool claimExact(const std::string& strName) { return m_setNames.insert(strName).second; }
    bool isTaken(const std::string& strName) const { return m_setNames.count(strName) > 0; }

  private:
    std::set<std::string> m_setNames;
};

#endif // KORVO_MIBNAMES_H
