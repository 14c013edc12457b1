// CReminderColumn: one of the 24 columns the reminder list can show: its id (which chooses the
// header text, string 500 + id, the properties the column asks the table for and the rule of its
// cell text), its list-view format, width, position and visibility, and the property part that
// the list's column table fills (fixed tags, then named properties with their types).
#pragma once

#include "mapi/Mapi.h"

#include <string>

class CReminderColumn {
public:
    static constexpr int kColumns = 24;
    static constexpr int kMaxProps = 7;

    // The order given (negative: the id). With applyDefaults the defaults by id replace width and
    // visibility: Type 40 wide and shown; Subject, Reminder Due in, Location, Start and End
    // shown; every other column hidden.
    CReminderColumn(LONG id = 0, LONG format = 0, LONG width = 100, LONG order = -1, bool visible = true,
                    bool applyDefaults = false);
    virtual ~CReminderColumn() = default;
    CReminderColumn(const CReminderColumn&) = default;
    CReminderColumn& operator=(const CReminderColumn&) = default;

    virtual LONG GetId() const { return m_id; }
    // The header text (string 500 + id) in the thread's UI language.
    virtual std::string GetName() const;
    virtual LONG GetFormat() const { return m_format; }
    virtual LONG GetWidth() const { return m_width; }
    virtual LONG GetOrder() const { return m_order; }
    virtual bool IsVisible() const { return m_visible; }
    virtual void SetId(LONG id) { m_id = id; }
    virtual void SetFormat(LONG format) { m_format = format; }
    virtual void SetWidth(LONG width) { m_width = width; }
    virtual void SetOrder(LONG order) { m_order = order; }
    virtual void SetVisible(bool visible) { m_visible = visible; }

    // The property part (the list's column table fills it: InitProperties).
    ULONG m_cTags = 0;
    ULONG m_tags[kMaxProps]{};
    ULONG m_cNames = 0;
    MAPINAMEID m_names[kMaxProps]{};
    ULONG m_types[kMaxProps]{};

private:
    LONG m_id;
    LONG m_format;
    LONG m_width;
    LONG m_order;
    bool m_visible;
};
