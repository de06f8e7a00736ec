// Attribute tables: each class of the stack names its attributes once, with
// the record member that holds each one and, for writable integers, the
// accepted range.
#ifndef KORVOSIM_CSIMATTRIBUTES_H
#define KORVOSIM_CSIMATTRIBUTES_H

#include <cstddef>
#include <string>
#include <vector>

template <typename TRecord> struct CSimField {
    const char* pszName;
    int TRecord::*pnValue;          // integer attribute, or null
    std::string TRecord::*pstrText; // text attribute, or null
    bool bWritable;
    int nMin; // accepted range of a writable integer
    int nMax;
};

// Shorthands for the tables.
template <typename TRecord>
constexpr CSimField<TRecord> IntField(const char* pszName, int TRecord::*pnValue) {
    return {pszName, pnValue, nullptr, false, 0, 0};
}
template <typename TRecord>
constexpr CSimField<TRecord> WritableField(const char* pszName, int TRecord::*pnValue, int nMin,
                                           int nMax) {
    return {pszName, pnValue, nullptr, true, nMin, nMax};
}
template <typename TRecord>
constexpr CSimField<TRecord> TextField(const char* pszName, std::string TRecord::*pstrText) {
    return {pszName, nullptr, pstrText, false, 0, 0};
}

template <typename TRecord, size_t N>
const CSimField<TRecord>* FindField(const CSimField<TRecord> (&aFields)[N],
                                    const std::string& strName) {
    for (const CSimField<TRecord>& stField : aFields) {
        if (strName == stField.pszName) {
            return &stField;
        }
    }
    return nullptr;
}

template <typename TRecord> bool IsInstance(const std::vector<TRecord>& vRecords, int iInstance) {
    return iInstance >= 0 && static_cast<size_t>(iInstance) < vRecords.size();
}

// The record member that holds a field's integer or text, or null when the
// field is of the other kind.
template <typename TRecord>
int TRecord::*ValueMember(const CSimField<TRecord>& stField, const int&) {
    return stField.pnValue;
}
template <typename TRecord>
std::string TRecord::*ValueMember(const CSimField<TRecord>& stField, const std::string&) {
    return stField.pstrText;
}

// Reads an integer or a text attribute, by the type of value.
template <typename TRecord, size_t N, typename TValue>
bool ReadField(const std::vector<TRecord>& vRecords, const CSimField<TRecord> (&aFields)[N],
               int iInstance, const std::string& strName, TValue& value) {
    const CSimField<TRecord>* pField = FindField(aFields, strName);
    if (pField == nullptr || ValueMember(*pField, value) == nullptr ||
        !IsInstance(vRecords, iInstance)) {
        return false;
    }
    value = vRecords[iInstance].*ValueMember(*pField, value);
    return true;
}

// Keeps a value within the field's range; the previous value goes to nOld.
template <typename TRecord, size_t N>
bool WriteIntField(std::vector<TRecord>& vRecords, const CSimField<TRecord> (&aFields)[N],
                   int iInstance, const std::string& strName, int nValue, int& nOld) {
    const CSimField<TRecord>* pField = FindField(aFields, strName);
    if (pField == nullptr || !pField->bWritable || !IsInstance(vRecords, iInstance) ||
        nValue < pField->nMin || nValue > pField->nMax) {
        return false;
    }
    nOld = vRecords[iInstance].*pField->pnValue;
    vRecords[iInstance].*pField->pnValue = nValue;
    return true;
}

#endif // KORVOSIM_CSIMATTRIBUTES_H
