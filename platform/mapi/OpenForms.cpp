#include "mapi/OpenForms.h"

#include "mapi/BuiltInForm.h"

#include <algorithm>
#include <mutex>

namespace mapi {

namespace {

std::mutex g_mutex;
std::vector<BuiltInForm*> g_forms;
std::vector<FormEvent> g_events;

} // namespace

std::vector<ComPtr<BuiltInForm>> OpenForms()
{
    std::vector<ComPtr<BuiltInForm>> out;
    std::lock_guard lock(g_mutex);
    for (BuiltInForm* form : g_forms) {
        // A form whose last reference is going is on its way out of the list.
        if (form->TryAddRef()) {
            ComPtr<BuiltInForm> p;
            p.Attach(form);
            out.push_back(std::move(p));
        }
    }
    return out;
}

std::vector<FormEvent> FormEvents()
{
    std::lock_guard lock(g_mutex);
    return g_events;
}

void ClearFormEvents()
{
    std::lock_guard lock(g_mutex);
    g_events.clear();
}

namespace detail {

void AddOpenForm(BuiltInForm* form)
{
    std::lock_guard lock(g_mutex);
    if (std::find(g_forms.begin(), g_forms.end(), form) == g_forms.end())
        g_forms.push_back(form);
}

void RemoveOpenForm(BuiltInForm* form)
{
    std::lock_guard lock(g_mutex);
    g_forms.erase(std::remove(g_forms.begin(), g_forms.end(), form), g_forms.end());
}

void RecordFormEvent(FormEvent event)
{
    std::lock_guard lock(g_mutex);
    g_events.push_back(std::move(event));
}

} // namespace detail

} // namespace mapi
