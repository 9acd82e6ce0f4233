#include "menu_view.h"

#include "claude_folder_control.h"
#include "core/claude_folder.h"
#include "core/window_labels.h"
#include "date_texts.h"
#include "elided_label.h"
#include "helper_control.h"
#include "login_control.h"
#include "menu_bar_icon.h"
#include "panel_style.h"
#include "refresh_icon.h"
#include "source_switch.h"
#include "usage_row.h"
#include "watch_control.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <set>

namespace tallyglass {
namespace {

// The program's icon in the secondary text colour of the current palette.
class HeaderIcon final : public QWidget {
public:
    explicit HeaderIcon(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(menuBarIconSize.toSize());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(QPointF(0, 0),
                           tintedMenuBarIcon(devicePixelRatioF(), secondaryColor(palette())));
    }
};

QLabel* textLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Rows beside the known windows. A reading with thousands of windows is hostile or broken;
// building them all would freeze the panel and take gigabytes.
constexpr std::size_t mostUnknownRows = 32;

// Lines one under another in a block of this name.
QVBoxLayout* lineColumn(QWidget* block, const QString& name, int spacing) {
    block->setObjectName(name);
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

QString qtText(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

MenuView::MenuView(UsageModel& model, std::shared_ptr<const Clock> clock,
                   std::shared_ptr<LoginItem> loginItem, std::shared_ptr<HelperSwitch> helper,
                   QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_clock(std::move(clock))
    , m_layout(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("menuView"));
    setWindowTitle(tr("Tallyglass"));
    setAutoFillBackground(true);
    m_layout->setContentsMargins(panelPadding, panelPadding, panelPadding, panelPadding);
    m_layout->setSpacing(panelSpacing);
    m_layout->addWidget(buildHeader());
    m_sourceSwitch = new SourceSwitch(this);
    m_layout->addWidget(m_sourceSwitch);
    m_dataArea = new QWidget(this);
    m_layout->addWidget(m_dataArea);
    m_divider = new QFrame(this);
    m_divider->setObjectName(QStringLiteral("divider"));
    m_divider->setFrameShape(QFrame::HLine);
    m_divider->setFrameShadow(QFrame::Plain);
    m_layout->addWidget(m_divider);
    m_loginControl = new LoginControl(std::move(loginItem), this);
    m_claudeFolder = new ClaudeFolderControl(this);
    if (helper) {
        m_claudeFolder->setHelperRemover(
            [helper](const QString& folder) { return helper->removeFromFolder(folder); });
        m_helperControl = new HelperControl(std::move(helper), this);
    }
    m_watchControl = new WatchControl(m_model, this);
    m_layout->addWidget(buildFooter());

    connect(m_sourceSwitch, &SourceSwitch::picked, &m_model, &UsageModel::selectSource);
    connect(m_refresh, &QPushButton::clicked, &m_model, &UsageModel::refresh);
    connect(m_quit, &QPushButton::clicked, qApp, &QApplication::quit, Qt::QueuedConnection);
    connect(m_loginControl, &LoginControl::errorShownChanged, this, &MenuView::fitHeight);
    // The helper goes into the new folder at once, and its texts name it.
    connect(m_claudeFolder, &ClaudeFolderControl::folderChanged, &m_model,
            &UsageModel::prepareAndRefresh);
    // A new folder is watched at once, and the helper goes into it.
    connect(m_claudeFolder, &ClaudeFolderControl::folderAdded, this, [this](int number) {
        m_model.reloadSources();
        m_model.selectSource(SourceId(SourceKind::claude, number));
    });
    connect(m_claudeFolder, &ClaudeFolderControl::folderRemoved, &m_model,
            &UsageModel::reloadSources);
    connect(m_claudeFolder, &ClaudeFolderControl::renamed, this, &MenuView::rebuild);
    if (m_helperControl)
        connect(m_helperControl, &HelperControl::changed, this, &MenuView::helperChanged);
    for (auto signal : {&UsageModel::snapshotChanged, &UsageModel::sourceAvailableChanged,
                        &UsageModel::activeKindChanged, &UsageModel::sourcesChanged,
                        &UsageModel::lastCheckedChanged, &UsageModel::setupReportChanged,
                        &UsageModel::preferencesChanged})
        connect(&m_model, signal, this, &MenuView::modelChanged);

    m_rebuildSoon.setSingleShot(true);
    m_rebuildSoon.setInterval(0);
    connect(&m_rebuildSoon, &QTimer::timeout, this, [this] {
        if (m_stale && isVisible())
            rebuild();
    });

    m_built = true;
    restyle();
    rebuild();
}

QWidget* MenuView::buildHeader() {
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("header"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(headerSpacing);
    m_title = textLabel(tr("Tallyglass"), QStringLiteral("title"), header);
    m_planBadge = new ElidedLabel(QString(), header);
    m_planBadge->setObjectName(QStringLiteral("planBadge"));
    m_modelName = new ElidedLabel(QString(), header);
    m_modelName->setObjectName(QStringLiteral("modelName"));
    // The badge and the model name give up width before the title does.
    m_planBadge->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    m_modelName->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    row->addWidget(new HeaderIcon(header));
    row->addWidget(m_title);
    row->addStretch(1);
    row->addWidget(m_planBadge);
    row->addWidget(m_modelName);
    return header;
}

QWidget* MenuView::buildFooter() {
    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("footer"));
    auto* column = new QVBoxLayout(footer);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(footerSpacing);
    column->addWidget(m_claudeFolder);
    column->addWidget(m_loginControl);
    if (m_helperControl)
        column->addWidget(m_helperControl);
    column->addWidget(m_watchControl);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    m_refresh = new QPushButton(tr("Refresh"), footer);
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_quit = new QPushButton(tr("Quit"), footer);
    m_quit->setObjectName(QStringLiteral("quitButton"));
    buttons->addWidget(m_refresh);
    buttons->addStretch(1);
    buttons->addWidget(m_quit);
    column->addLayout(buttons);
    return footer;
}

void MenuView::rebuild() {
    updateHeader();
    // Each assistant has its segment, also before its source is there.
    std::set<SourceId> sources(allSourceKinds.begin(), allSourceKinds.end());
    for (const SourceId& source : m_model.sourceIds())
        sources.insert(source);
    SourceSwitch::Segments segments;
    for (const SourceId& source : sources)
        segments.emplace_back(source, displayName(source));
    m_sourceSwitch->setSegments(segments);
    m_sourceSwitch->setCurrent(m_model.activeSource());
    m_claudeFolder->setVisible(m_model.activeKind() == SourceKind::claude);
    m_claudeFolder->showFolder(m_model.activeSource().folder);
    if (m_helperControl) {
        m_helperControl->setVisible(m_model.activeKind() == SourceKind::claude);
        if (m_model.activeKind() == SourceKind::claude)
            m_helperControl->followChoice();
    }
    QWidget* fresh = buildDataArea();
    delete m_layout->replaceWidget(m_dataArea, fresh);
    delete m_dataArea;
    m_dataArea = fresh;
    // A child added to a widget already on screen stays hidden until told otherwise.
    m_dataArea->show();
    fitHeight();
    m_builtAt = m_clock->now();
    m_stale = false;
}

void MenuView::updateHeader() {
    const auto& snapshot = m_model.snapshot();
    const bool hasPlan = snapshot && snapshot->planType && !snapshot->planType->empty();
    const bool hasModel = snapshot && snapshot->model && !snapshot->model->empty();
    m_planBadge->setText(hasPlan ? qtText(readableName(*snapshot->planType)) : QString());
    m_planBadge->setVisible(hasPlan);
    m_modelName->setText(hasModel ? qtText(*snapshot->model) : QString());
    m_modelName->setVisible(hasModel);
}

QWidget* MenuView::buildDataArea() {
    auto* area = new QWidget(this);
    auto* column = lineColumn(area, QStringLiteral("dataArea"), panelSpacing);
    m_noticeShown = m_model.setupReport().result == SetupReport::Result::added;
    if (m_model.setupReport().result != SetupReport::Result::quiet)
        column->addWidget(buildSetupBlock(m_model.setupReport(), area));
    const auto& snapshot = m_model.snapshot();
    if (!snapshot) {
        column->addWidget(buildEmptyState(area));
        return area;
    }
    const double now = m_clock->now();
    std::size_t unknownRows = 0;
    for (const LabeledWindow& entry : m_model.labeledWindows()) {
        if (!windowLabels().contains(entry.key) && ++unknownRows > mostUnknownRows)
            continue;
        auto* row = new UsageRow(qtText(entry.label), entry.window, now, area, entry.hasReset);
        row->setObjectName(QStringLiteral("usageRow_") + qtText(entry.key));
        if (const auto fullAt = m_model.paceForecast(entry))
            row->showPace(*fullAt, now);
        column->addWidget(row);
    }
    column->addWidget(buildUpdatedBlock(*snapshot, area));
    return area;
}

QWidget* MenuView::buildUpdatedBlock(const UsageSnapshot& snapshot, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* column = lineColumn(block, QStringLiteral("updatedBlock"), updatedSpacing);
    const bool stale = m_model.isStale();
    auto* updated = textLabel(updatedText(snapshot.updatedAt, m_clock->now()),
                              QStringLiteral("updatedLine"), block);
    updated->setFont(styledFont(TextStyle::caption, font()));
    setForeground(updated,
                  stale ? systemColor(SystemColor::orange, palette()) : secondaryColor(palette()));
    column->addWidget(updated);
    if (stale) {
        const QString hint = m_model.activeKind() == SourceKind::codex
                                 ? tr("Data refreshes after each Codex turn.")
                                 : tr("Data refreshes while a Claude Code session is in use.");
        auto* hintLabel = textLabel(hint, QStringLiteral("staleHint"), block);
        hintLabel->setFont(styledFont(TextStyle::caption2, font()));
        hintLabel->setWordWrap(true);
        setForeground(hintLabel, secondaryColor(palette()));
        column->addWidget(hintLabel);
    }
    return block;
}

QWidget* MenuView::buildEmptyState(QWidget* parent) {
    const SourceKind kind = m_model.activeKind();
    const bool available = m_model.sourceAvailable();
    // Without the helper nothing records Claude Code's limits: not a missing Claude Code.
    const bool helperRemoved =
        kind == SourceKind::claude && m_helperControl && !m_helperControl->isWanted();
    QString message;
    if (available && kind == SourceKind::codex)
        message = tr("Codex records your limits in its session files. Run a Codex turn once so "
                     "it can write them.");
    else if (helperRemoved)
        message = tr("Tallyglass is not in Claude Code's status line, so it records no Claude "
                     "Code usage. Tick \"Add helper to Claude Code\" below to record it again.");
    else if (available)
        message = tr("Usage data is written by the Claude Code statusline helper, which this app "
                     "installs for you. Use Claude Code once so it can record your limits.");
    else if (kind == SourceKind::codex)
        message = tr("No Codex sessions found in ~/.codex. Install Codex and run it once.");
    else
        message = tr("No Claude Code data found in %1. Install Claude Code and run it once.")
                      .arg(displayPath(claudeFolderPath(m_model.activeSource().folder)));

    auto* block = new QWidget(parent);
    auto* column = lineColumn(block, QStringLiteral("emptyState"), emptyStateSpacing);
    const QString headlineText = available || helperRemoved
                                     ? tr("No usage data yet")
                                     //: %1 is the assistant, such as "Codex".
                                     : tr("%1 not found").arg(displayName(m_model.activeSource()));
    auto* headline = textLabel(headlineText, QStringLiteral("emptyHeadline"), block);
    headline->setFont(styledFont(TextStyle::subheadline, font(), QFont::DemiBold));
    auto* body = textLabel(message, QStringLiteral("emptyMessage"), block);
    body->setFont(styledFont(TextStyle::caption, font()));
    body->setWordWrap(true);
    setForeground(body, secondaryColor(palette()));
    column->addWidget(headline);
    column->addWidget(body);
    return block;
}

// Why the helper could not be added, with the member to add by hand and a button that copies
// it; or, once, that it was added.
QWidget* MenuView::buildSetupBlock(const SetupReport& report, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* column = lineColumn(block, QStringLiteral("setupBlock"), emptyStateSpacing);
    const bool failed = report.result == SetupReport::Result::failed;
    auto* sentence =
        textLabel(failed ? setupProblemText(report) : setupAddedText(report),
                  failed ? QStringLiteral("setupProblem") : QStringLiteral("setupNotice"), block);
    sentence->setFont(styledFont(TextStyle::caption, font()));
    sentence->setWordWrap(true);
    if (failed)
        setForeground(sentence, systemColor(SystemColor::orange, palette()));
    column->addWidget(sentence);
    if (failed)
        addManualSetup(report, column, block);
    return block;
}

// The member to add by hand, and a button that copies it.
void MenuView::addManualSetup(const SetupReport& report, QVBoxLayout* column, QWidget* block) {
    auto* hint = textLabel(tr("To add it by hand, put this member into the top-level object of "
                              "%1:")
                               .arg(displayPath(report.settingsPath)),
                           QStringLiteral("setupHint"), block);
    hint->setFont(styledFont(TextStyle::caption2, font()));
    hint->setWordWrap(true);
    setForeground(hint, secondaryColor(palette()));
    auto* member = textLabel(report.statusLineMember, QStringLiteral("statusLineMember"), block);
    QFont code = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    code.setPointSizeF(styledFont(TextStyle::caption2, font()).pointSizeF());
    member->setFont(code);
    member->setWordWrap(true);
    member->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* copy = new QPushButton(tr("Copy"), block);
    copy->setObjectName(QStringLiteral("copyMemberButton"));
    copy->setFont(styledFont(TextStyle::caption, font()));
    connect(copy, &QPushButton::clicked, copy, [copy, text = report.statusLineMember] {
        QGuiApplication::clipboard()->setText(text);
        copy->setText(tr("Copied"));
    });
    column->addWidget(hint);
    column->addWidget(member);
    column->addWidget(copy, 0, Qt::AlignLeft);
}

void MenuView::restyle() {
    m_title->setFont(styledFont(TextStyle::headline, font()));
    const QColor secondary = secondaryColor(palette());
    QColor capsule = secondary;
    capsule.setAlphaF(0.15f);
    m_planBadge->setFont(styledFont(TextStyle::caption2, font(), QFont::Medium));
    m_planBadge->setCapsule(capsule, QMargins(5, 1, 5, 1));
    setForeground(m_planBadge, secondary);
    m_modelName->setFont(styledFont(TextStyle::caption, font()));
    setForeground(m_modelName, secondary);
    QColor line = palette().color(QPalette::WindowText);
    line.setAlphaF(0.15f);
    setForeground(m_divider, line);
    const QFont small = styledFont(TextStyle::subheadline, font());
    m_refresh->setFont(small);
    m_refresh->setIcon(refreshIcon(palette().color(QPalette::ButtonText)));
    m_refresh->setIconSize(QSize(12, 12));
    m_quit->setFont(small);
    m_loginControl->restyle();
    m_claudeFolder->restyle();
    if (m_helperControl)
        m_helperControl->restyle();
    m_watchControl->restyle();
}

void MenuView::fitHeight() {
    m_layout->activate();
    const int height = heightForWidth(panelWidth);
    setFixedSize(panelWidth, height > 0 ? height : sizeHint().height());
}

// The helper went or may come back: the Claude reading follows at once.
void MenuView::helperChanged() {
    if (m_model.activeKind() == SourceKind::claude)
        m_model.prepareAndRefresh();
    fitHeight();
}

void MenuView::setFramed(bool framed) {
    m_framed = framed;
    update();
}

void MenuView::modelChanged() {
    m_stale = true;
    // One publication announces three properties; they are read together, once, as soon as
    // control returns to the event loop. Off screen nobody sees it: coming on screen catches up.
    if (isVisible())
        m_rebuildSoon.start();
}

void MenuView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Relative times count whole seconds at the finest: within one second nothing would change.
    if (m_stale || m_clock->now() - m_builtAt >= 1)
        rebuild();
    m_model.refresh();
}

void MenuView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_noticeShown)
        m_model.acknowledgeSetupNotice();
}

void MenuView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    const auto type = event->type();
    if (m_built && (type == QEvent::PaletteChange || type == QEvent::FontChange ||
                    type == QEvent::StyleChange)) {
        restyle();
        rebuild();
    }
}

void MenuView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!m_framed)
        return;
    QPainter painter(this);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.2f);
    painter.setPen(border);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace tallyglass
