// Writes a module of Prometheus's SNMP exporter (the snmp.yml configuration
// format of prometheus-snmp-exporter 0.21) for a built MIB module: a walk of
// every scalar group and table, and one metric per attribute named as in the
// MIB module. Integers are gauges, texts DisplayString metrics (the text in
// a label of the metric's name, value 1), enumerations state sets with their
// named numbers; a table's INDEX becomes labels named after the index
// columns; help texts are the objects' descriptions, units and OIDs.
#ifndef KORVO_MIBEXPORTER_H
#define KORVO_MIBEXPORTER_H

#include "MibModule.h"

#include <cstdio>
#include <string>

// "KORVOSIM-RAID-MIB" gives "korvosim_raid": lower case, hyphens as
// underscores, without "-MIB".
std::string ExporterModuleName(const std::string& strMibModule);

class CMibExporter {
  public:
    CMibExporter(const CMibModule& module, const std::string& strName)
        : m_module(module), m_strName(strName) {}
    void write(FILE* pOut) const;

  private:
    std::string oidText(const MibPath& path) const;
    void writeWalk(FILE* pOut) const;
    void writeMetric(FILE* pOut, const MibPath& path, const CMibNode& node) const;
    // The INDEX names of the entry above a column.
    const std::vector<std::string>* indexOf(const MibPath& path) const;

    const CMibModule& m_module;
    std::string m_strName;
};

#endif // KORVO_MIBEXPORTER_H
