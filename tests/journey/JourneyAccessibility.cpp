// libatspi first: its GLib headers use words that Qt defines as macros.
#include <atspi/atspi.h>

#include "journey/JourneyAccessibility.h"

#include <QRegularExpression>

#include <functional>

namespace sablewick::journey {
namespace {

struct Node {
    QString role;
    QString name;
    QRect rect;
};

QString takeString(gchar* text)
{
    const QString result = text ? QString::fromUtf8(text) : QString();
    g_free(text);
    return result;
}

bool isShowing(AtspiAccessible* accessible)
{
    AtspiStateSet* states = atspi_accessible_get_state_set(accessible);
    if (!states)
        return false;
    const bool showing = atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    g_object_unref(states);
    return showing;
}

QRect extents(AtspiAccessible* accessible)
{
    AtspiComponent* component = atspi_accessible_get_component_iface(accessible);
    if (!component)
        return {};
    GError* error = nullptr;
    AtspiRect* r = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
    g_object_unref(component);
    if (error)
        g_error_free(error);
    if (!r)
        return {};
    const QRect rect(r->x, r->y, r->width, r->height);
    g_free(r);
    return rect;
}

// Visits the showing controls below `accessible` until `visit` answers true.
bool walk(AtspiAccessible* accessible, const std::function<bool(const Node&)>& visit, int depth = 0)
{
    if (depth > 40)
        return false;
    const gint count = atspi_accessible_get_child_count(accessible, nullptr);
    for (gint i = 0; i < count; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(accessible, i, nullptr);
        if (!child)
            continue;
        bool done = false;
        if (isShowing(child)) {
            const Node node{takeString(atspi_accessible_get_role_name(child, nullptr)),
                            takeString(atspi_accessible_get_name(child, nullptr)), extents(child)};
            done = visit(node) || walk(child, visit, depth + 1);
        }
        g_object_unref(child);
        if (done)
            return true;
    }
    return false;
}

// Walks every application of the process (a process has one; the search is by process id).
bool walkProcess(qint64 pid, const std::function<bool(const Node&)>& visit)
{
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop)
        return false;
    bool done = false;
    const gint count = atspi_accessible_get_child_count(desktop, nullptr);
    for (gint i = 0; i < count && !done; ++i) {
        AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (!application)
            continue;
        if (static_cast<qint64>(atspi_accessible_get_process_id(application, nullptr)) == pid) {
            // The program changes between two looks: read it anew each time.
            atspi_accessible_clear_cache(application);
            done = walk(application, visit);
        }
        g_object_unref(application);
    }
    g_object_unref(desktop);
    return done;
}

}  // namespace

void JourneyAccessibility::connect()
{
    static const bool connected = [] {
        atspi_init();
        // A busy machine answers slowly; a program that does not answer at all fails the look.
        atspi_set_timeout(10000, 15000);
        return true;
    }();
    (void)connected;
}

std::optional<QRect> JourneyAccessibility::find(qint64 pid, const QString& name, const QString& role,
                                                const QRect& within)
{
    connect();
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(name));
    std::optional<QRect> found;
    walkProcess(pid, [&](const Node& node) {
        if ((role.isEmpty() || node.role == role) && pattern.match(node.name).hasMatch() && !node.rect.isEmpty()
            && (within.isEmpty() || within.contains(node.rect))) {
            found = node.rect;
            return true;
        }
        return false;
    });
    return found;
}

QString JourneyAccessibility::describe(qint64 pid)
{
    connect();
    QString lines;
    walkProcess(pid, [&](const Node& node) {
        lines += QStringLiteral("%1 '%2' %3,%4 %5x%6\n")
                     .arg(node.role, node.name)
                     .arg(node.rect.x())
                     .arg(node.rect.y())
                     .arg(node.rect.width())
                     .arg(node.rect.height());
        return false;
    });
    return lines;
}

}  // namespace sablewick::journey
