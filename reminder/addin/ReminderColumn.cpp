#include "ReminderColumn.h"

#include "ModuleInstance.h"

CReminderColumn::CReminderColumn(LONG id, LONG format, LONG width, LONG order, bool visible, bool applyDefaults)
    : m_id(id), m_format(format), m_width(width), m_order(order < 0 ? id : order), m_visible(visible)
{
    if (!applyDefaults)
        return;
    switch (id) {
    case 0:
        m_width = 40;
        m_visible = true;
        break;
    case 1:
    case 4:
    case 18:
    case 19:
    case 20: m_visible = true; break;
    default: m_visible = false; break;
    }
}

std::string CReminderColumn::GetName() const
{
    return LoadAddinString(500 + static_cast<UINT>(m_id));
}
