#include "MibExporter.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace {

// A YAML single-quoted text: a quote is written twice.
std::string yamlQuoted(const std::string& strText) {
    std::string strOut = "'";
    for (char c : strText) {
        strOut += c == '\'' ? std::string("''") : std::string(1, c);
    }
    return strOut + "'";
}

const char* metricType(const CMibNode& node) {
    if (node.iDataType == 1) {
        return "DisplayString";
    }
    return node.enumItems.empty() ? "gauge" : "EnumAsStateSet";
}

} // namespace

std::string ExporterModuleName(const std::string& strMibModule) {
    std::string strName = strMibModule;
    if (strName.size() > 4 && strName.compare(strName.size() - 4, 4, "-MIB") == 0) {
        strName.erase(strName.size() - 4);
    }
    for (char& c : strName) {
        c = c == '-' ? '_' : static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return strName;
}

std::string CMibExporter::oidText(const MibPath& path) const {
    std::string strText;
    for (long nSub : m_module.prefix()) {
        strText += (strText.empty() ? "" : ".") + std::to_string(nSub);
    }
    for (long nSub : path) {
        strText += "." + std::to_string(nSub);
    }
    return strText;
}

void CMibExporter::write(FILE* pOut) const {
    fprintf(pOut, "%s:\n", m_strName.c_str());
    writeWalk(pOut);
    fputs("  metrics:\n", pOut);
    for (const auto& item : m_module.nodes()) {
        const CMibNode& node = item.second;
        bool bServed =
            node.eKind == CMibNode::SCALAR || (node.eKind == CMibNode::COLUMN && !node.bHidden);
        if (bServed) {
            writeMetric(pOut, item.first, node);
        }
    }
    // SNMPv2c with the community snmpd gives read access; adjust to the site.
    fputs("  version: 2\n  max_repetitions: 25\n  retries: 3\n  timeout: 5s\n", pOut);
    fputs("  auth:\n    community: public\n", pOut);
}

// One walk per scalar group (the arc above its scalars) and per table.
void CMibExporter::writeWalk(FILE* pOut) const {
    std::set<MibPath> walks;
    for (const auto& item : m_module.nodes()) {
        if (item.second.eKind == CMibNode::SCALAR) {
            walks.insert(MibPath(item.first.begin(), item.first.end() - 1));
        } else if (item.second.eKind == CMibNode::TABLE) {
            walks.insert(item.first);
        }
    }
    // A walk inside another is walked with it.
    fputs("  walk:\n", pOut);
    const MibPath* pLast = nullptr;
    for (const MibPath& path : walks) {
        if (pLast != nullptr && path.size() > pLast->size() &&
            std::equal(pLast->begin(), pLast->end(), path.begin())) {
            continue;
        }
        fprintf(pOut, "  - %s\n", oidText(path).c_str());
        pLast = &path;
    }
}

const std::vector<std::string>* CMibExporter::indexOf(const MibPath& path) const {
    auto it = m_module.nodes().find(MibPath(path.begin(), path.end() - 1));
    if (it == m_module.nodes().end() || it->second.eKind != CMibNode::ENTRY) {
        return nullptr;
    }
    return &it->second.objects;
}

void CMibExporter::writeMetric(FILE* pOut, const MibPath& path, const CMibNode& node) const {
    std::string strHelp = node.strDescription;
    if (!node.strUnits.empty()) {
        strHelp += " Units: " + node.strUnits + ".";
    }
    strHelp += " - " + oidText(path);
    fprintf(pOut, "  - name: %s\n    oid: %s\n    type: %s\n    help: %s\n", node.strName.c_str(),
            oidText(path).c_str(), metricType(node), yamlQuoted(strHelp).c_str());
    const std::vector<std::string>* pIndex =
        node.eKind == CMibNode::COLUMN ? indexOf(path) : nullptr;
    if (pIndex != nullptr && !pIndex->empty()) {
        fputs("    indexes:\n", pOut);
        for (const std::string& strLabel : *pIndex) {
            fprintf(pOut, "    - labelname: %s\n      type: gauge\n", strLabel.c_str());
        }
    }
    if (!node.enumItems.empty()) {
        MibEnum items = node.enumItems;
        std::stable_sort(items.begin(), items.end(),
                         [](const MibEnumItem& first, const MibEnumItem& second) {
                             return first.nValue < second.nValue;
                         });
        fputs("    enum_values:\n", pOut);
        for (const MibEnumItem& item : items) {
            fprintf(pOut, "      %ld: %s\n", item.nValue, item.strLabel.c_str());
        }
    }
}
