// Definitions loaded in process for the dispatch benchmarks, served by a
// scripted storage library: the two sample definitions (with the default and
// a large drive inventory) and generated definitions of a given size.
#ifndef KORVO_BENCHSTORES_H
#define KORVO_BENCHSTORES_H

#include "StorageLib.h"

#include <map>
#include <string>
#include <vector>

// A holder whose every attribute reads back: integers as the instance number,
// texts as "value-N"; every write succeeds.
class CBenchHolder final : public CBaseHolder {
  public:
    explicit CBenchHolder(int nCount = 1) : m_nCount(nCount) {}
    int getInstanceCount() override { return m_nCount; }
    int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) override;
    int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) override;
    int setIntAttribute(int iInstance, char* pszAttribute, int iValue) override;

  private:
    int m_nCount;
};

// The definitions the benchmarks run on.
enum BenchDefinition {
    BENCH_SAMPLE,        // the sample definitions, default inventory (249 objects)
    BENCH_SAMPLE_LARGE,  // the sample definitions, 910 drives (10,083 objects)
    BENCH_GENERATED_1K,  // 50 groups and tables of 20 attributes (1,000 objects)
    BENCH_GENERATED_10K, // 500 groups and tables of 20 attributes (10,000 objects)
};

// Loads one of them as the agent's stores and library entries, in a private
// working folder; the destructor releases everything.
class CBenchStores {
  public:
    explicit CBenchStores(BenchDefinition nDefinition);
    ~CBenchStores();

    CBenchStores(const CBenchStores&) = delete;
    CBenchStores& operator=(const CBenchStores&) = delete;

    bool IsLoaded() const { return m_bLoaded; }
    const std::string& Name() const { return m_strName; }

    // OIDs of the objects each benchmark asks for (the last scalar and the
    // last table cell, where the lookups have the most to pass over) and a
    // value that a set of them accepts.
    std::string m_strScalar;
    std::string m_strCell;
    std::string m_strWritableScalar;
    std::string m_strWritableCell;
    int m_nObjects = 0;

  private:
    bool LoadStores(const std::vector<std::string>& vDefinitions);
    void SetUpSample(int nDrives);
    void SetUpGenerated(int nRows);

    bool m_bLoaded = false;
    std::string m_strName;
    std::string m_strDir;
    std::string m_strOldCwd;
};

#endif // KORVO_BENCHSTORES_H
