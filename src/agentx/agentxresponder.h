// The AgentX front end's answers: each request PDU from the master turned
// into dispatches of one binding (the same dispatch that serves the block)
// and written back as a Response with SNMPv2 exceptions where AgentX needs
// them. Values and refusals are those the relay gives for the same request.
#ifndef KORVO_AGENTXRESPONDER_H
#define KORVO_AGENTXRESPONDER_H

#include "agentxpdu.h"
#include "dispatch/genpvkdispatch.h"

#include <string>
#include <vector>

// Longest set string the relay passes on (the block's value word).
const uint32_t AGENTX_SET_TEXT_LIMIT = 255;

// A Response grows by GetBulk repetitions up to about this size.
const size_t AGENTX_RESPONSE_LIMIT = 60000;

class CAgentXResponder {
  public:
    // pfnDispatch answers get (160), get-next (161) and set (163) of one
    // binding; pfnCheckSet runs the checks of a set (163) without writing.
    CAgentXResponder(PFN_DISPATCH pfnDispatch, PFN_DISPATCH pfnCheckSet);
    ~CAgentXResponder();
    CAgentXResponder(const CAgentXResponder&) = delete;
    CAgentXResponder& operator=(const CAgentXResponder&) = delete;

    // The subtrees registered with the master: a get-next answer must lie in
    // one of them (and in the range the master asked for).
    void SetSubtrees(const std::vector<AgentXOid>& vSubtrees);

    // Writes the Response to a Get, GetNext, GetBulk, TestSet, CommitSet,
    // UndoSet or Ping; a CleanupSet ends the set and is answered by nothing. Returns
    // false (nothing written) for a PDU that is not such a request.
    bool Answer(const AgentXPdu& stPdu, CAgentXWriter& stWriter);

    // Forgets a set in progress (the session to the master ended).
    void ForgetSet() { m_vPendingSet.clear(); }

  private:
    // A value of one binding as the set phases keep it.
    struct SetValue {
        uint16_t nType = AGENTX_TYPE_NULL; // AGENTX_TYPE_INTEGER or _OCTET_STRING
        int32_t nInteger = 0;
        std::string strText;
    };

    struct PendingSet {
        AgentXOid stName;
        SetValue stNew;
        bool bOldKnown = false;
        SetValue stOld;
    };

    void AnswerGet(const AgentXPdu& stPdu, CAgentXWriter& stWriter);
    void AnswerGetNext(const AgentXPdu& stPdu, CAgentXWriter& stWriter);
    void AnswerGetBulk(const AgentXPdu& stPdu, CAgentXWriter& stWriter);
    void AnswerTestSet(const AgentXPdu& stPdu, CAgentXWriter& stWriter);
    void AnswerCommitSet(const AgentXPdu& stPdu, CAgentXWriter& stWriter);
    void AnswerUndoSet(const AgentXPdu& stPdu, CAgentXWriter& stWriter);
    void AnswerCleanupSet(const AgentXPdu& stPdu, CAgentXWriter& stWriter);
    void AnswerPing(const AgentXPdu& stPdu, CAgentXWriter& stWriter);

    // One get into the writer: the value, or noSuchObject/noSuchInstance.
    void WriteGet(const AgentXOid& stName, CAgentXWriter& stWriter);
    // One search range of a get-next into the writer: the next object in
    // the range, or endOfMibView. Returns true with stFound set to the
    // object's name when there is one.
    bool WriteNext(const AgentXSearchRange& stRange, CAgentXWriter& stWriter, AgentXOid& stFound);

    // Dispatches a get of stName; true when it answered that very OID with
    // an integer or a text.
    bool ReadValue(const AgentXOid& stName);
    // Dispatches a get-next from stStart; true when it answered a greater
    // OID with an integer or a text.
    bool ReadNext(const AgentXOid& stStart);
    // A get-next into a registered subtree that begins inside the range, from
    // above its root; true when it found an object of that subtree.
    bool ReadFirstOfSubtree(const AgentXSearchRange& stRange);
    // Whether the object that stName would be an instance of has instances.
    bool ObjectHasInstances(const AgentXOid& stName);
    // Writes the binding's name and value as a variable binding.
    void WriteBinding(CAgentXWriter& stWriter);

    // The relay's checks of a set value: 0 or the refusal.
    static uint16_t CheckSetValue(const AgentXVarBind& stVarBind, SetValue& stValue);
    // Dispatches a set (or its checks) of stValue; the dispatch's status.
    UINT DispatchSet(const AgentXOid& stName, const SetValue& stValue, PFN_DISPATCH pfnDispatch);

    bool SetBindingName(const AgentXOid& stName);
    bool BindingNameIs(const AgentXOid& stName) const;
    bool InSubtrees(const RFC1157VarBind& stBinding) const;
    void ClearBindingValue();

    PFN_DISPATCH m_pfnDispatch;
    PFN_DISPATCH m_pfnCheckSet;
    RFC1157VarBind* m_pBinding;
    std::vector<AgentXOid> m_vSubtrees;
    std::vector<PendingSet> m_vPendingSet;
    uint32_t m_nSetTransaction = 0;
    size_t m_nCommitted = 0;
    std::string m_strValue;
};

#endif // KORVO_AGENTXRESPONDER_H
