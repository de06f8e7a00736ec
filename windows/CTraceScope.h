// The trace of the extension agent: a sink that takes one text and writes
// nothing, and a scope object that traces the entry to and the exit from a
// routine.
#ifndef KORVO_CTRACESCOPE_H
#define KORVO_CTRACESCOPE_H

// Capacity of one trace text, terminating NUL included.
const int TRACE_TEXT_SIZE = 256;

// The trace sink; always true.
bool AgentTrace(const char* pszText);

// Traces "<name> - - IN" when made and "<name> - - OUT" when destroyed.
class CTraceScope {
  public:
    explicit CTraceScope(const char* pszName);
    ~CTraceScope();
    CTraceScope(const CTraceScope&) = delete;
    CTraceScope& operator=(const CTraceScope&) = delete;

  private:
    void trace(const char* pszDirection) const;
    const char* m_pszName;
};

#endif // KORVO_CTRACESCOPE_H
