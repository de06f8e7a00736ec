#include "CServiceHarness.h"

#include <cstdio>
#include <cstring>

int g_nChecks = 0;
int g_nFailures = 0;

namespace {

// An identifier allocated by snmpapi from dotted text.
void ParseName(const std::string& strName, AsnObjectIdentifier& stOid) {
    UINT aIds[128];
    UINT nIds = 0;
    const char* pszCursor = strName.c_str();
    while (*pszCursor != '\0' && nIds < 128) {
        char* pszEnd = nullptr;
        aIds[nIds++] = static_cast<UINT>(strtoul(pszCursor, &pszEnd, 10));
        pszCursor = *pszEnd == '.' ? pszEnd + 1 : pszEnd;
    }
    AsnObjectIdentifier stSource = {nIds, aIds};
    stOid = {0, nullptr};
    SnmpUtilOidCpy(&stOid, &stSource);
}

template <typename TEntry> TEntry Bind(HMODULE hModule, const char* pszName) {
    return reinterpret_cast<TEntry>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
}

} // namespace

bool Check(bool bCondition, const char* pszWhat, const std::string& strDetail) {
    ++g_nChecks;
    if (!bCondition) {
        ++g_nFailures;
        printf("FAILED: %s%s%s\n", pszWhat, strDetail.empty() ? "" : ": ", strDetail.c_str());
        fflush(stdout);
    }
    return bCondition;
}

std::string OidText(const AsnObjectIdentifier& stOid) {
    std::string strText;
    for (UINT i = 0; i < stOid.idLength; ++i) {
        strText += (i == 0 ? "" : ".") + std::to_string(stOid.ids[i]);
    }
    return strText;
}

CRequest::CRequest(const std::vector<std::string>& vNames) {
    m_stList.len = static_cast<UINT>(vNames.size());
    m_stList.list = static_cast<RFC1157VarBind*>(
        SnmpUtilMemAlloc(static_cast<UINT>(sizeof(RFC1157VarBind) * (vNames.size() + 1))));
    for (UINT i = 0; i < m_stList.len; ++i) {
        memset(&m_stList.list[i], 0, sizeof(RFC1157VarBind));
        ParseName(vNames[i], m_stList.list[i].name);
        m_stList.list[i].value.asnType = ASN_NULL;
    }
}

CRequest::~CRequest() {
    for (UINT i = 0; i < m_stList.len; ++i) {
        SnmpUtilVarBindFree(&m_stList.list[i]);
    }
    SnmpUtilMemFree(m_stList.list);
}

void CRequest::setInteger(UINT i, AsnInteger32 nValue) {
    m_stList.list[i].value.asnType = ASN_INTEGER;
    m_stList.list[i].value.asnValue.number = nValue;
}

std::string CRequest::text(UINT i) const {
    const AsnAny& stValue = m_stList.list[i].value;
    if (stValue.asnType != ASN_OCTETSTRING || stValue.asnValue.string.stream == nullptr) {
        return "<not a text>";
    }
    return std::string(reinterpret_cast<const char*>(stValue.asnValue.string.stream),
                       stValue.asnValue.string.length);
}

bool CAgentService::load(const char* pszDll) {
    hAgent = LoadLibraryA(pszDll);
    if (hAgent == nullptr) {
        return false;
    }
    pfnInit = Bind<PFNSNMPEXTENSIONINIT>(hAgent, "SnmpExtensionInit");
    pfnInitEx = Bind<PFNSNMPEXTENSIONINITEX>(hAgent, "SnmpExtensionInitEx");
    pfnQuery = Bind<PFNSNMPEXTENSIONQUERY>(hAgent, "SnmpExtensionQuery");
    pfnTrap = Bind<PFNSNMPEXTENSIONTRAP>(hAgent, "SnmpExtensionTrap");
    pfnClose = Bind<PFNSNMPEXTENSIONCLOSE>(hAgent, "SnmpExtensionClose");
    return pfnInit && pfnInitEx && pfnQuery && pfnTrap && pfnClose;
}

BOOL CAgentService::unload() {
    BOOL bFreed = FreeLibrary(hAgent);
    hAgent = nullptr;
    return bFreed;
}

void CAgentService::query(BYTE bPduType, CRequest& request) {
    request.bResult =
        pfnQuery(bPduType, request.list(), &request.nErrorStatus, &request.nErrorIndex);
}

std::unique_ptr<CRequest> CAgentService::queryOne(BYTE bPduType, const std::string& strName) {
    std::unique_ptr<CRequest> pRequest(new CRequest({strName}));
    query(bPduType, *pRequest);
    return pRequest;
}

CTakenTrap TakeTrap(CAgentService& service) {
    CTakenTrap stTrap;
    stTrap.bResult = service.pfnTrap(&stTrap.stEnterprise, &stTrap.nGeneric, &stTrap.nSpecific,
                                     &stTrap.nTimeStamp, &stTrap.stVars);
    return stTrap;
}

void ReleaseTrap(CTakenTrap& stTrap) {
    for (UINT i = 0; stTrap.bResult && i < stTrap.stVars.len; ++i) {
        SnmpUtilVarBindFree(&stTrap.stVars.list[i]);
    }
    if (stTrap.bResult && stTrap.stVars.list != nullptr) {
        SnmpUtilMemFree(stTrap.stVars.list);
    }
    stTrap.stVars = {nullptr, 0};
}

bool InjectEvent(const char* pszLibrary, const char* pszLine) {
    typedef void (*PFNINJECT)(const char*);
    HMODULE hLibrary = GetModuleHandleA(pszLibrary);
    PFNINJECT pfnInject =
        hLibrary != nullptr ? Bind<PFNINJECT>(hLibrary, "simInjectEventLine") : nullptr;
    if (pfnInject == nullptr) {
        return false;
    }
    pfnInject(pszLine);
    return true;
}
