#include "ui/accessible_parts.h"

#include "ui/markup/markup_view.h"
#include "ui/poly_list.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include <vector>

namespace qmr {

namespace {

// One item of the list, known by its position: the list's items come and go with every poll,
// and a reader asks again after each announcement.
class TListItemAccessible : public QAccessibleInterface {
public:
    TListItemAccessible(TAdvPolyList* list, int position) : m_List(list), m_Position(position) {}

    bool isValid() const override { return m_List && m_Position < m_List->Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return Parent()->window(); }
    QAccessibleInterface* parent() const override { return Parent(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) {
            return {};
        }
        const TPolyListItem* item = m_List->Item(m_Position);
        if (t == QAccessible::Name) {
            return item->Caption;
        }
        if (t == QAccessible::Description) {
            return item->StatusText;
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        const QRect r = m_List->ItemRect(m_Position);
        return QRect(m_List->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        return IsHeading() ? QAccessible::Heading : QAccessible::ListItem;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const TPolyListItem* item = m_List->Item(m_Position);
        s.selectable = item->Selectable;
        s.selected = item->Selected;
        s.focusable = item->Selectable;
        s.focused = item->Selected && m_List->hasFocus();
        s.invisible = !m_List->rect().intersects(m_List->ItemRect(m_Position));
        return s;
    }

private:
    bool IsHeading() const { return isValid() && !m_List->Item(m_Position)->Selectable; }
    QAccessibleInterface* Parent() const { return QAccessible::queryAccessibleInterface(m_List); }

    QPointer<TAdvPolyList> m_List;
    int m_Position;
};

// The list: its items first, then its child widgets (the expert-mode box sits inside it).
class TPolyListAccessible : public QAccessibleWidget {
public:
    explicit TPolyListAccessible(TAdvPolyList* list) : QAccessibleWidget(list, QAccessible::List) {}
    ~TPolyListAccessible() override {
        for (QAccessible::Id id : m_ItemIds) {
            if (QAccessible::accessibleInterface(id) != nullptr) {
                QAccessible::deleteAccessibleInterface(id);
            }
        }
    }

    int childCount() const override { return List()->Count() + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0) {
            return nullptr;
        }
        if (index >= List()->Count()) {
            return QAccessibleWidget::child(index - List()->Count());
        }
        while (m_ItemIds.size() <= static_cast<std::size_t>(index)) {
            auto* item = new TListItemAccessible(List(), static_cast<int>(m_ItemIds.size()));
            m_ItemIds.push_back(QAccessible::registerAccessibleInterface(item));
        }
        return QAccessible::accessibleInterface(m_ItemIds[static_cast<std::size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < List()->Count(); ++i) {
            if (static_cast<std::size_t>(i) < m_ItemIds.size() &&
                QAccessible::accessibleInterface(m_ItemIds[static_cast<std::size_t>(i)]) == child) {
                return i;
            }
        }
        const int widget = QAccessibleWidget::indexOfChild(child);
        return widget < 0 ? -1 : widget + List()->Count();
    }
    QAccessibleInterface* focusChild() const override {
        const int selected = List()->SelectedPosition();
        return List()->hasFocus() && selected >= 0 ? child(selected) : nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = List()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < List()->Count(); ++i) {
            if (List()->ItemRect(i).contains(local)) {
                return child(i);
            }
        }
        return QAccessibleWidget::childAt(x, y);
    }

private:
    TAdvPolyList* List() const { return static_cast<TAdvPolyList*>(widget()); }

    mutable std::vector<QAccessible::Id> m_ItemIds;
};

// The report view reads as its text without markup.
class TReportViewAccessible : public QAccessibleWidget {
public:
    explicit TReportViewAccessible(THTMLStaticText* view)
        : QAccessibleWidget(view, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || t == QAccessible::Description) {
            return static_cast<THTMLStaticText*>(widget())->PlainText();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* MakeAccessible(const QString&, QObject* object) {
    if (auto* list = qobject_cast<TAdvPolyList*>(object)) {
        return new TPolyListAccessible(list);
    }
    if (auto* view = qobject_cast<THTMLStaticText*>(object)) {
        return new TReportViewAccessible(view);
    }
    return nullptr;
}

} // namespace

void InstallAccessibleParts() {
    static const bool installed = [] {
        QAccessible::installFactory(MakeAccessible);
        return true;
    }();
    (void)installed;
}

} // namespace qmr
