#include "mapi/Attach.h"

#include "mapi/PropertyStream.h"

namespace mapi {

HRESULT Attach::Create(MsgStore* store, std::shared_ptr<MessageState> state, ULONG num, PropMap props, bool writable,
                       IAttach** out)
{
    auto* a = new (std::nothrow) Attach(store, std::move(state), num, std::move(props), writable);
    if (!a)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = a;
    return S_OK;
}

bool Attach::Supports(REFIID riid) const { return IsEqualIID(riid, IID_IAttachment); }

bool Attach::IsComputed(ULONG id) const
{
    return id == PROP_ID(PR_ATTACH_NUM) || id == PROP_ID(PR_ATTACH_SIZE) || id == PROP_ID(PR_OBJECT_TYPE) ||
           id == PROP_ID(PR_ACCESS) || id == PROP_ID(PR_ACCESS_LEVEL);
}

HRESULT Attach::CurrentProps(PropMap& out)
{
    out = m_props;
    out.Set(PropValue::Long(PR_ATTACH_NUM, m_num));
    ULONG size = 0;
    for (const auto& v : m_props)
        size += v.Size();
    out.Set(PropValue::Long(PR_ATTACH_SIZE, size));
    out.Set(PropValue::Long(PR_OBJECT_TYPE, MAPI_ATTACH));
    return S_OK;
}

HRESULT Attach::WriteProps(const std::vector<PropValue>& values)
{
    for (const auto& v : values)
        m_props.Set(v);
    return S_OK;
}

HRESULT Attach::RemoveProps(const std::vector<ULONG>& ids)
{
    for (ULONG id : ids)
        m_props.Erase(id);
    return S_OK;
}

HRESULT Attach::SaveChanges(ULONG)
{
    std::lock_guard objLock(m_lock);
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    std::lock_guard lock(m_state->mutex);
    auto& list = m_state->attachments;
    auto it = std::find_if(list.begin(), list.end(), [&](const SubObject& s) { return s.num == m_num; });
    if (it != list.end())
        it->props = m_props;
    else
        list.push_back(SubObject{m_num, m_props});
    ++m_state->version;
    return S_OK;
}

HRESULT Attach::OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG, ULONG ulFlags, LPUNKNOWN* lppUnk)
{
    std::lock_guard lock(m_lock);
    return OpenPropertyStream(m_props, ulPropTag, lpiid, ulFlags, m_writable,
                              [self = ComPtr<Attach>(this)](PropValue v) {
                                  std::lock_guard l(self->m_lock);
                                  self->m_props.Set(std::move(v));
                                  return S_OK;
                              },
                              lppUnk);
}

HRESULT Attach::CopyTo(ULONG, LPCIID, LPSPropTagArray lpExcludeProps, ULONG_PTR, LPMAPIPROGRESS, LPCIID lpInterface,
                       LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems)
{
    if (!lpDestObj)
        return MAPI_E_INVALID_PARAMETER;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IAttachment) && !IsEqualIID(*lpInterface, IID_IMAPIProp))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    return CopyPropsInto(static_cast<IMAPIProp*>(lpDestObj), lpExcludeProps, nullptr, ulFlags, lppProblems);
}

} // namespace mapi
