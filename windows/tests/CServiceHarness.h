// Plays the Windows SNMP service towards an extension agent: loads the DLL,
// binds its five entry points, and builds and releases variable-binding
// lists the way the service does (names and values allocated with the
// platform's snmpapi, so that the agent may free and replace them).
#ifndef KORVO_CSERVICEHARNESS_H
#define KORVO_CSERVICEHARNESS_H

#include <windows.h>
#include <snmp.h>

#include <memory>
#include <string>
#include <vector>

typedef BOOL(WINAPI* PFNSNMPEXTENSIONINIT)(DWORD, HANDLE*, AsnObjectIdentifier*);
typedef BOOL(WINAPI* PFNSNMPEXTENSIONINITEX)(AsnObjectIdentifier*);
typedef BOOL(WINAPI* PFNSNMPEXTENSIONQUERY)(BYTE, RFC1157VarBindList*, AsnInteger32*,
                                            AsnInteger32*);
typedef BOOL(WINAPI* PFNSNMPEXTENSIONTRAP)(AsnObjectIdentifier*, AsnInteger32*, AsnInteger32*,
                                           AsnTimeticks*, RFC1157VarBindList*);
typedef VOID(WINAPI* PFNSNMPEXTENSIONCLOSE)();

// The checks' tally: a failed check is reported and counted, the run goes on.
extern int g_nChecks;
extern int g_nFailures;
bool Check(bool bCondition, const char* pszWhat, const std::string& strDetail = "");

// Dotted text of an identifier, without leading dot.
std::string OidText(const AsnObjectIdentifier& stOid);

// One request: bindings named by dotted texts, values ASN_NULL unless set.
class CRequest {
  public:
    explicit CRequest(const std::vector<std::string>& vNames);
    ~CRequest();
    CRequest(const CRequest&) = delete;
    CRequest& operator=(const CRequest&) = delete;

    void setInteger(UINT i, AsnInteger32 nValue);
    RFC1157VarBind& binding(UINT i) { return m_stList.list[i]; }
    RFC1157VarBindList* list() { return &m_stList; }
    std::string name(UINT i) const { return OidText(m_stList.list[i].name); }
    std::string text(UINT i) const;

    // The query's answer; the error places hold -1 until the agent writes.
    BOOL bResult = FALSE;
    AsnInteger32 nErrorStatus = -1;
    AsnInteger32 nErrorIndex = -1;

  private:
    RFC1157VarBindList m_stList;
};

// The agent DLL with its five entry points.
class CAgentService {
  public:
    bool load(const char* pszDll);
    BOOL unload();

    void query(BYTE bPduType, CRequest& request);
    // One get or get-next of a single name; the answer stays in the request.
    std::unique_ptr<CRequest> queryOne(BYTE bPduType, const std::string& strName);

    PFNSNMPEXTENSIONINIT pfnInit = nullptr;
    PFNSNMPEXTENSIONINITEX pfnInitEx = nullptr;
    PFNSNMPEXTENSIONQUERY pfnQuery = nullptr;
    PFNSNMPEXTENSIONTRAP pfnTrap = nullptr;
    PFNSNMPEXTENSIONCLOSE pfnClose = nullptr;
    HMODULE hAgent = nullptr;
};

// One trap as the service takes it; the variables are the service's copy.
struct CTakenTrap {
    BOOL bResult = FALSE;
    AsnObjectIdentifier stEnterprise = {0, nullptr};
    AsnInteger32 nGeneric = -1;
    AsnInteger32 nSpecific = -1;
    AsnTimeticks nTimeStamp = 0;
    RFC1157VarBindList stVars = {nullptr, 0};
};

// Calls SnmpExtensionTrap once and frees nothing; ReleaseTrap frees the copy.
CTakenTrap TakeTrap(CAgentService& service);
void ReleaseTrap(CTakenTrap& stTrap);

// Hands an event line to a loaded simulated library (korvosim.dll, ...).
bool InjectEvent(const char* pszLibrary, const char* pszLine);

#endif // KORVO_CSERVICEHARNESS_H
