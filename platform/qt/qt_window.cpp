#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QThread>
#include <QValidator>
#include <type_traits>

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string ss(const QString& s) { return s.toUtf8().toStdString(); }
// Shown text: plain line ends.
QString display_text(std::string_view s) {
    QString q = qs(s);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

// The close box and Escape ask the owner instead of closing.
class FormDialog final : public QDialog {
   public:
    std::function<void()> on_close_request;
    bool really_close = false;

   protected:
    void reject() override {
        if (really_close) {
            QDialog::reject();
        } else if (on_close_request) {
            on_close_request();
        }
    }
    void closeEvent(QCloseEvent* e) override {
        if (really_close) {
            QDialog::closeEvent(e);
            return;
        }
        e->ignore();
        if (on_close_request) on_close_request();
    }
};

// Typing limit and digit filter for what the user types; text the program sets
// is not validated, and text already longer than the limit can still be edited
// down.
class TypingValidator final : public QValidator {
   public:
    explicit TypingValidator(QLineEdit* edit) : QValidator(edit) {
        // The edit's text while a change is validated may already be the new
        // one: keep the last accepted text here.
        QObject::connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { m_last = t; });
    }
    int limit = 0;
    bool digits = false;
    State validate(QString& input, int&) const override {
        const QString& old = m_last;
        if (limit > 0 && input.size() > limit && input.size() > old.size()) return Invalid;
        if (digits) {
            auto non_digits = [](const QString& s) {
                int n = 0;
                for (QChar c : s)
                    if (c < QChar('0') || c > QChar('9')) ++n;
                return n;
            };
            if (non_digits(input) > non_digits(old)) return Invalid;
        }
        return Acceptable;
    }

   private:
    QString m_last;
};

QPixmap program_icon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(24, 60, 110));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(0, 0, 32, 32, 6, 6);
    QPainterPath curve;  // y^2 = x^3 - x + 1, drawn roughly
    curve.moveTo(27, 4);
    curve.cubicTo(14, 10, 4, 12, 6, 16);
    curve.cubicTo(4, 20, 14, 22, 27, 28);
    p.setPen(QPen(QColor(250, 200, 60), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.drawLine(2, 16, 30, 16);
    return pm;
}

QString filter_string(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& f : filters) {
        // "*.*" would hide files without an extension on this system.
        const QString pattern = f.pattern == "*.*" ? QStringLiteral("*") : qs(f.pattern);
        QString name = qs(f.name);
        if (!name.contains('(')) name += QStringLiteral(" (") + pattern + QStringLiteral(")");
        else if (!name.contains(pattern)) name = name.left(name.indexOf('(')) + QStringLiteral("(") + pattern + ")";
        parts << name;
    }
    return parts.join(QStringLiteral(";;"));
}

}  // namespace

struct QtWindow::Impl {
    FormDialog* dialog = nullptr;  // owned (no parent) for the main window
    QObject* pumper = nullptr;
    FormSpec form;
    EventSink* sink = nullptr;
    std::map<ControlId, QWidget*> widgets;
    std::map<ControlId, ControlSpec> specs;
    std::map<ControlId, std::string> texts;  // exact text the program set
    bool closed = false;

    void notify(ControlId id, EventKind kind) {
        if (sink != nullptr && !closed) sink->on_event(Event{id, kind});
    }
};

QtWindow::QtWindow() : m_queue(std::make_shared<WindowThreadQueue>()), m_impl(std::make_unique<Impl>()) {
    m_impl->pumper = new QObject();
    std::weak_ptr<WindowThreadQueue> weak = m_queue;
    QObject* pumper = m_impl->pumper;
    m_queue->set_wakeup([weak, pumper] {
        QMetaObject::invokeMethod(
            pumper,
            [weak] {
                if (auto q = weak.lock()) q->pump();
            },
            Qt::QueuedConnection);
    });
}

QtWindow::QtWindow(std::shared_ptr<WindowThreadQueue> queue, QtWindow* owner)
    : m_queue(std::move(queue)), m_owner(owner), m_impl(std::make_unique<Impl>()) {}

QtWindow::~QtWindow() {
    if (m_owner == nullptr) {
        m_queue->set_closing();
        m_queue->set_wakeup(nullptr);
    }
    m_dialog.reset();
    delete m_impl->dialog;
    delete m_impl->pumper;
}

template <class F>
auto QtWindow::sync(F&& f) -> decltype(f()) {
    using R = decltype(f());
    if (m_queue->on_owner_thread()) return f();
    if constexpr (std::is_void_v<R>) {
        m_queue->call([&] { f(); });
    } else {
        R r{};
        m_queue->call([&] { r = f(); });
        return r;
    }
}

void QtWindow::build(const FormSpec& form, EventSink* sink) {
    sync([&] {
        Impl& d = *m_impl;
        d.form = form;
        d.sink = sink;
        d.dialog = new FormDialog();
        FormDialog* dlg = d.dialog;
        dlg->on_close_request = [this] { m_impl->notify(kNoControl, EventKind::close_requested); };
        dlg->setWindowTitle(qs(form.title));
        QFont font(qs(form.font_family), form.font_points);
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        dlg->setFont(font);
        dlg->setFixedSize(form.width, form.height);
        dlg->setWindowIcon(QIcon(program_icon()));
        for (const ControlSpec& c : form.controls) {
            QWidget* w = nullptr;
            const ControlId id = c.id;
            switch (c.kind) {
                case ControlKind::label: {
                    auto* l = new QLabel(display_text(c.caption), dlg);
                    l->setTextFormat(Qt::PlainText);
                    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                    w = l;
                    d.texts[id] = c.caption;
                    break;
                }
                case ControlKind::icon: {
                    auto* l = new QLabel(dlg);
                    l->setPixmap(program_icon());
                    w = l;
                    break;
                }
                case ControlKind::edit: {
                    auto* e = new QLineEdit(dlg);
                    auto* v = new TypingValidator(e);
                    v->limit = c.limit;
                    v->digits = c.digits_only;
                    e->setValidator(v);
                    e->setReadOnly(c.read_only);
                    QObject::connect(e, &QLineEdit::textEdited, e,
                                     [this, id](const QString&) { m_impl->notify(id, EventKind::text_changed); });
                    w = e;
                    break;
                }
                case ControlKind::multi_edit: {
                    auto* e = new QPlainTextEdit(dlg);
                    e->setReadOnly(c.read_only);
                    e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                    if (!c.read_only)
                        QObject::connect(e, &QPlainTextEdit::textChanged, e, [this, id] {
                            m_impl->notify(id, EventKind::text_changed);
                        });
                    w = e;
                    break;
                }
                case ControlKind::button: {
                    auto* b = new QPushButton(qs(c.caption), dlg);
                    b->setAutoDefault(false);
                    QObject::connect(b, &QPushButton::clicked, b,
                                     [this, id] { m_impl->notify(id, EventKind::clicked); });
                    w = b;
                    break;
                }
                case ControlKind::check_box: {
                    auto* b = new QCheckBox(qs(c.caption), dlg);
                    QObject::connect(b, &QCheckBox::clicked, b, [this, id] { m_impl->notify(id, EventKind::clicked); });
                    w = b;
                    break;
                }
                case ControlKind::radio_button: {
                    auto* b = new QRadioButton(qs(c.caption), dlg);
                    QObject::connect(b, &QRadioButton::clicked, b,
                                     [this, id] { m_impl->notify(id, EventKind::clicked); });
                    w = b;
                    break;
                }
                case ControlKind::list: {
                    auto* b = new QComboBox(dlg);
                    QObject::connect(b, &QComboBox::activated, b,
                                     [this, id](int) { m_impl->notify(id, EventKind::selection_changed); });
                    w = b;
                    break;
                }
                case ControlKind::group_box: {
                    auto* g = new QGroupBox(qs(c.caption), dlg);
                    w = g;
                    d.texts[id] = c.caption;
                    break;
                }
            }
            w->setGeometry(c.rect.x, c.rect.y, c.rect.w, c.rect.h);
            w->setEnabled(c.enabled);
            w->setVisible(c.visible);
            if (!c.name.empty()) w->setObjectName(qs(c.name));
            w->setProperty("korvath_id", id);
            d.widgets[id] = w;
            d.specs[id] = c;
        }
        // Group boxes are frames under the controls placed over them.
        for (auto& [id, w] : d.widgets)
            if (d.specs[id].kind == ControlKind::group_box) w->lower();
    });
}

void QtWindow::show_window() {
    sync([&] {
        if (m_impl->dialog) m_impl->dialog->show();
    });
}

QWidget* QtWindow::widget() { return m_impl->dialog; }

QWidget* QtWindow::control(ControlId id) {
    auto it = m_impl->widgets.find(id);
    return it == m_impl->widgets.end() ? nullptr : it->second;
}

std::string QtWindow::text(ControlId id) {
    return sync([&]() -> std::string {
        QWidget* w = control(id);
        if (w == nullptr) return {};
        const auto shadow = m_impl->texts.find(id);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            // The exact bytes the program set, while the user has not changed them.
            if (shadow != m_impl->texts.end() && e->text() == qs(shadow->second)) return shadow->second;
            return ss(e->text());
        }
        if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
            if (shadow != m_impl->texts.end() && e->toPlainText() == display_text(shadow->second)) return shadow->second;
            return ss(e->toPlainText());
        }
        if (auto* b = qobject_cast<QComboBox*>(w)) return ss(b->currentText());
        if (shadow != m_impl->texts.end()) return shadow->second;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) return ss(b->text());
        return {};
    });
}

void QtWindow::set_text(ControlId id, std::string_view t) {
    sync([&] {
        QWidget* w = control(id);
        if (w == nullptr || m_impl->closed) return;
        m_impl->texts[id] = std::string(t);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setText(qs(t));
            m_impl->notify(id, EventKind::text_changed);
        } else if (auto* e2 = qobject_cast<QPlainTextEdit*>(w)) {
            QSignalBlocker block(e2);
            e2->setPlainText(display_text(t));
            m_impl->notify(id, EventKind::text_changed);
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            l->setText(display_text(t));
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            g->setTitle(qs(t));
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            b->setText(qs(t));
        }
    });
}

void QtWindow::set_caption(ControlId id, std::string_view caption) {
    sync([&] {
        QWidget* w = control(id);
        if (w == nullptr || m_impl->closed) return;
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) return;
        m_impl->texts[id] = std::string(caption);
        if (auto* l = qobject_cast<QLabel*>(w)) l->setText(display_text(caption));
        else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(qs(caption));
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(qs(caption));
    });
}

std::string QtWindow::caption(ControlId id) { return text(id); }

void QtWindow::enable(ControlId id, bool on) {
    sync([&] {
        if (QWidget* w = control(id)) w->setEnabled(on);
    });
}

bool QtWindow::enabled(ControlId id) {
    return sync([&] {
        QWidget* w = control(id);
        return w != nullptr && w->isEnabled();
    });
}

void QtWindow::show(ControlId id, bool on) {
    sync([&] {
        if (QWidget* w = control(id)) w->setVisible(on);
        m_impl->specs[id].visible = on;
    });
}

bool QtWindow::shown(ControlId id) {
    return sync([&] {
        auto it = m_impl->specs.find(id);
        return it != m_impl->specs.end() && it->second.visible;
    });
}

void QtWindow::set_read_only(ControlId id, bool on) {
    sync([&] {
        QWidget* w = control(id);
        if (auto* e = qobject_cast<QLineEdit*>(w)) e->setReadOnly(on);
        if (auto* e = qobject_cast<QPlainTextEdit*>(w)) e->setReadOnly(on);
    });
}

bool QtWindow::read_only(ControlId id) {
    return sync([&] {
        QWidget* w = control(id);
        if (auto* e = qobject_cast<QLineEdit*>(w)) return e->isReadOnly();
        if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->isReadOnly();
        return false;
    });
}

void QtWindow::set_limit(ControlId id, int chars) {
    sync([&] {
        auto* e = qobject_cast<QLineEdit*>(control(id));
        if (e == nullptr) return;
        if (auto* v = dynamic_cast<TypingValidator*>(const_cast<QValidator*>(e->validator()))) v->limit = chars;
        m_impl->specs[id].limit = chars;
    });
}

int QtWindow::limit(ControlId id) {
    return sync([&] {
        auto it = m_impl->specs.find(id);
        return it == m_impl->specs.end() ? 0 : it->second.limit;
    });
}

void QtWindow::set_checked(ControlId id, bool on) {
    sync([&] {
        if (auto* b = qobject_cast<QAbstractButton*>(control(id))) b->setChecked(on);
    });
}

bool QtWindow::checked(ControlId id) {
    return sync([&] {
        auto* b = qobject_cast<QAbstractButton*>(control(id));
        return b != nullptr && b->isChecked();
    });
}

void QtWindow::list_clear(ControlId id) {
    sync([&] {
        if (auto* b = qobject_cast<QComboBox*>(control(id))) b->clear();
    });
}

void QtWindow::list_add(ControlId id, std::string_view entry) {
    sync([&] {
        if (auto* b = qobject_cast<QComboBox*>(control(id))) {
            QSignalBlocker block(b);
            const int keep = b->currentIndex();
            b->addItem(qs(entry));
            b->setCurrentIndex(keep);
        }
    });
}

std::vector<std::string> QtWindow::list_entries(ControlId id) {
    return sync([&] {
        std::vector<std::string> v;
        if (auto* b = qobject_cast<QComboBox*>(control(id)))
            for (int i = 0; i < b->count(); ++i) v.push_back(ss(b->itemText(i)));
        return v;
    });
}

void QtWindow::list_select(ControlId id, int index) {
    sync([&] {
        if (auto* b = qobject_cast<QComboBox*>(control(id))) {
            QSignalBlocker block(b);
            b->setCurrentIndex(index < b->count() ? index : -1);
        }
    });
}

int QtWindow::list_selection(ControlId id) {
    return sync([&] {
        auto* b = qobject_cast<QComboBox*>(control(id));
        return b ? b->currentIndex() : -1;
    });
}

void QtWindow::scroll_to_end(ControlId id) {
    sync([&] {
        if (auto* e = qobject_cast<QPlainTextEdit*>(control(id))) {
            e->moveCursor(QTextCursor::End);
            e->verticalScrollBar()->setValue(e->verticalScrollBar()->maximum());
        }
    });
}

void QtWindow::message_box(std::string_view title, std::string_view t) {
    sync([&] { QMessageBox::information(m_impl->dialog, qs(title), display_text(t)); });
}

std::optional<std::string> QtWindow::pick_open_file(const std::vector<FileFilter>& filters) {
    return sync([&]() -> std::optional<std::string> {
        const QString path = QFileDialog::getOpenFileName(m_impl->dialog, QString(), QString(), filter_string(filters));
        if (path.isEmpty()) return std::nullopt;
        return ss(path);
    });
}

std::optional<std::string> QtWindow::pick_save_file(const std::vector<FileFilter>& filters) {
    return sync([&]() -> std::optional<std::string> {
        const QString path = QFileDialog::getSaveFileName(m_impl->dialog, QString(), QString(), filter_string(filters));
        if (path.isEmpty()) return std::nullopt;
        return ss(path);
    });
}

Window* QtWindow::open_dialog(const FormSpec& form, EventSink* sink) {
    return sync([&]() -> Window* {
        m_dialog.reset(new QtWindow(m_queue, this));
        m_dialog->build(form, sink);
        FormDialog* dlg = m_dialog->m_impl->dialog;
        dlg->setParent(m_impl->dialog, dlg->windowFlags() | Qt::Dialog);
        dlg->setWindowModality(Qt::WindowModal);
        dlg->show();
        return m_dialog.get();
    });
}

void QtWindow::close_dialog(Window* dialog) {
    sync([&] {
        if (dialog == nullptr || dialog != m_dialog.get()) return;
        FormDialog* dlg = m_dialog->m_impl->dialog;
        m_dialog->m_impl->closed = true;
        dlg->really_close = true;
        dlg->hide();
        m_dialog->m_impl->dialog = nullptr;  // owned by the main dialog from now on
        dlg->deleteLater();
        m_dialog.reset();
    });
}

Window* QtWindow::active_dialog() {
    return sync([&]() -> Window* { return m_dialog.get(); });
}

bool QtWindow::run_on_window_thread(const std::function<void()>& fn) { return m_queue->call(fn); }

void QtWindow::post(std::function<void()> fn) { m_queue->post(std::move(fn)); }

bool QtWindow::on_window_thread() const { return m_queue->on_owner_thread(); }

void QtWindow::close() {
    if (m_owner != nullptr) {
        m_owner->close_dialog(this);
        return;
    }
    if (!m_queue->on_owner_thread()) {
        // Closing is the window thread's business: queue it and return.
        m_queue->post([this] { close(); });
        return;
    }
    if (m_impl->closed) return;
    m_impl->closed = true;
    m_queue->set_closing();
    if (m_impl->dialog) {
        m_impl->dialog->really_close = true;
        m_impl->dialog->hide();
    }
    if (m_on_closed) m_on_closed();
}

bool QtWindow::closing() const { return m_queue->closing(); }
