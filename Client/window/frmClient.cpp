#include "window/frmClient.h"

#include "platform/Desktop.h"
#include "platform/Host.h"
#include "platform/HostPath.h"
#include "request/SentRequests.h"
#include "request/Status.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"
#include "window/DrawingList.h"
#include "window/GuideWindow.h"
#include "window/OpenFolder.h"
#include "window/RequestsWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <memory>

namespace {

// The layout is drawn in twips; 15 twips make a pixel at 96 dpi.
QRect Twips(int left, int top, int width, int height)
{
    const auto px = [](int twips) { return int(std::lround(twips / 15.0)); };
    return QRect(px(left), px(top), px(width), px(height));
}

template <typename W> W* Place(W* widget, const char* name, const QRect& geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A window shown, restored and brought to the front.
void ComeToFront(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

// What a screen reader says of a control: its label, then its tooltip.
void Describe(QWidget* widget, const QString& name, const QString& tooltip)
{
    widget->setAccessibleName(name);
    widget->setToolTip(tooltip);
    widget->setAccessibleDescription(tooltip);
}

}   // namespace

frmClient::frmClient(SettingsRecord& settings, Host& host, const QString& programDir, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_host(host)
    , m_programDir(programDir)
{
    InstallItalianTranslation();
    buildControls();
    m_host.setWindow(this);
    startUp(programDir);
}

QString frmClient::ProgramDir()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void frmClient::buildControls()
{
    setObjectName(QStringLiteral("frmClient"));
    setWindowTitle(QStringLiteral("KIVRA_Client - ") + IdleCaption);
    // Arial metrics (Liberation Sans on Linux) at 10 px fit every text in the fixed layout; at
    // 11 px "Percorso:" would lose its last pixel.
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(10);
    setFont(font);
    setFixedSize(Twips(0, 0, 9060, 4236).size());

    Label6 =
        Place(new QLabel(QStringLiteral("Massimo numero di disegni:"), this), "Label6", Twips(3360, 240, 2172, 252));
    txtMaxDrawings = Place(new QLineEdit(this), "txtMaxDrawings", Twips(4920, 480, 612, 288));
    Label5 = Place(new QLabel(QStringLiteral("Stato della richiesta:"), this), "Label5", Twips(7320, 240, 1572, 252));
    lblStatus = Place(new QLabel(this), "lblStatus", Twips(6120, 480, 2772, 192));
    Line1 = Place(new QFrame(this), "Line1", QRect(8, 23, 200, 2));
    Label2 =
        Place(new QLabel(QStringLiteral("Elenco dei file da convertire"), this), "Label2", Twips(120, 600, 2052, 372));
    ListV = Place(new DrawingList(this), "ListV", Twips(120, 840, 8772, 1932));
    Frame1 = Place(new QGroupBox(QStringLiteral("Converti in"), this), "Frame1", Twips(4560, 3120, 1572, 972));
    OptDXF = Place(new QRadioButton(QStringLiteral("DXF"), Frame1), "OptDXF", Twips(360, 240, 1092, 252));
    OptDWG = Place(new QRadioButton(QStringLiteral("DWG"), Frame1), "OptDWG", Twips(360, 480, 972, 372));
    Label3 =
        Place(new QLabel(QStringLiteral("Cartella di archiviazione:"), this), "Label3", Twips(120, 3240, 1812, 252));
    txtFolder = Place(new QLineEdit(this), "txtFolder", Twips(1920, 3240, 2172, 288));
    Label4 = Place(new QLabel(QStringLiteral("Percorso:"), this), "Label4", Twips(120, 3720, 696, 252));
    txtPath = Place(new QLineEdit(this), "txtPath", Twips(840, 3720, 3252, 288));
    cmdReset = Place(new QPushButton(QStringLiteral("Azzera lista"), this), "cmdReset", Twips(6600, 3120, 2292, 252));
    cmdAbort = Place(new QPushButton(QStringLiteral("Chiudi"), this), "cmdAbort", Twips(6600, 3480, 732, 372));
    CmdOut = Place(new QPushButton(QStringLiteral("Converti"), this), "CmdOut", Twips(7800, 3480, 1092, 372));
    Label1 = Place(new QLabel(IdleCaption, this), "Label1", Twips(6240, 3960, 2652, 252));
    Timer1 = new QTimer(this);
    m_request = new SentRequests(m_host, this);
    m_openFolder = new OpenFolder(m_host, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ListV->header()->resizeSection(0, Twips(0, 0, 8500, 0).width());
    Label1->setToolTip(QStringLiteral("Servizio di conversione dei disegni"));

    // Display-only fields: selectable for copying, never read back, outside the Tab order.
    for (QLineEdit* field : {txtMaxDrawings, txtPath}) {
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::ClickFocus);
    }
    for (QLabel* label : {Label6, Label5, lblStatus, Label2, Label3, Label4, Label1})
        label->setFocusPolicy(Qt::NoFocus);

    Describe(ListV, QStringLiteral("Elenco dei file da convertire"),
             QStringLiteral("Trascinare qui i disegni da convertire"));
    Label2->setBuddy(ListV);
    Describe(txtMaxDrawings, QStringLiteral("Massimo numero di disegni"),
             QStringLiteral("Numero massimo consentito di disegni"));
    // The status field has no fixed name: a screen reader reads its caption, and every change of
    // it raises the label's name-change event, so the status is heard without taking the focus.
    lblStatus->setToolTip(QStringLiteral("Visualizza l'avanzamento della conversione"));
    lblStatus->setAccessibleDescription(lblStatus->toolTip());
    Label5->setBuddy(lblStatus);
    Describe(OptDXF, QStringLiteral("DXF"), QStringLiteral("Imposta la conversione in DXF"));
    Describe(OptDWG, QStringLiteral("DWG"), QStringLiteral("Imposta la conversione in DWG"));
    Describe(txtFolder, QStringLiteral("Cartella di archiviazione"),
             QStringLiteral("Nome della cartella di uscita. Se non esiste viene creata."));
    Describe(txtPath, QStringLiteral("Percorso"), QStringLiteral("Qui saranno archiviati i file convertiti"));
    Describe(cmdReset, QStringLiteral("Azzera lista"), QStringLiteral("Azzera la lista dei disegni"));
    Describe(cmdAbort, QStringLiteral("Chiudi"), QStringLiteral("Chiude il progamma"));
    Describe(CmdOut, QStringLiteral("Converti"), QStringLiteral("Invia la richiesta ai server"));
    // "Apri cartella" from the menus of the two fields that tell where the drawings go, and by a
    // double-click on the status once they are there.
    txtPath->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(txtPath, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(txtPath->createStandardContextMenu());
        menu->addSeparator();
        menu->addAction(m_openFolder);
        menu->exec(txtPath->mapToGlobal(at));
    });
    lblStatus->setContextMenuPolicy(Qt::ActionsContextMenu);
    lblStatus->addAction(m_openFolder);
    // This run's requests, each followed to its end, in a window of their own.
    auto* showRequests = new QAction(QStringLiteral("Richieste inviate…"), this);
    showRequests->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    showRequests->setShortcutVisibleInContextMenu(true);
    addAction(showRequests);
    lblStatus->addAction(showRequests);
    // F1: the user guide installed beside the program.
    auto* guide = new QAction(this);
    guide->setShortcut(QKeySequence::HelpContents);
    addAction(guide);
    connect(guide, &QAction::triggered, this, [this] {
        if (!m_guide)
            m_guide = new GuideWindow(m_programDir, m_host, this);
        ComeToFront(m_guide);
    });
    connect(showRequests, &QAction::triggered, this, [this] {
        if (!m_requestsWindow) {
            m_requestsWindow = new RequestsWindow(*m_request, m_host, this);
            connect(m_requestsWindow, &RequestsWindow::sendAgain, this,
                    [this](int row) { sendWith([&] { return m_request->sendAgain(row, m_settings); }); });
        }
        ComeToFront(m_requestsWindow);
    });
    lblStatus->installEventFilter(this);
    Label3->setBuddy(txtFolder);
    Label4->setBuddy(txtPath);
    Label6->setBuddy(txtMaxDrawings);

    // Enter presses the focused button, as Space does.
    for (QPushButton* button : {CmdOut, cmdAbort, cmdReset})
        button->setAutoDefault(true);

    setTabOrder(ListV, CmdOut);
    setTabOrder(CmdOut, OptDXF);
    setTabOrder(OptDXF, OptDWG);
    setTabOrder(OptDWG, txtFolder);
    setTabOrder(txtFolder, cmdAbort);
    setTabOrder(cmdAbort, cmdReset);

    connect(txtFolder, &QLineEdit::textChanged, this, &frmClient::txtFolder_Change);
    connect(OptDXF, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.DXFDWGmode = QStringLiteral("DXF");
    });
    connect(OptDWG, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.DXFDWGmode = QStringLiteral("DWG");
    });
    connect(CmdOut, &QPushButton::clicked, this, &frmClient::CmdOut_Click);
    connect(cmdReset, &QPushButton::clicked, this, &frmClient::cmdReset_Click);
    connect(cmdAbort, &QPushButton::clicked, this, &QWidget::close);
    connect(ListV, &DrawingList::filesArriving, this, [this] { showStatus(PreparingList); });
    connect(ListV, &DrawingList::drawingsWanted, this, [this] {
        const QStringList files = m_host.chooseDrawings(m_drawingsFolder);
        if (!files.isEmpty())
            m_drawingsFolder = QFileInfo(files.first()).absolutePath();
        openFiles(files);
    });
    connect(Timer1, &QTimer::timeout, this, &frmClient::Timer1_Timer);
    connect(m_request, &SentRequests::statusChanged, this, &frmClient::showStatus);
    connect(m_request, &SentRequests::sendEnded, this, &frmClient::jobEnded);
    // A press repeated by accident sent nothing: the request it repeats is shown where it is listed.
    connect(m_request, &SentRequests::pressRepeated, this, [this](int row) {
        if (m_requestsWindow && m_requestsWindow->isVisible())
            m_requestsWindow->select(row);
    });
    connect(m_request, &SentRequests::withdrawalRefused, this,
            [this](const QString& warning) { m_host.showWarning(warning); });
    connect(m_request, &SentRequests::serverSilent, this, [this](const WatchedRequest& request) {
        m_host.notify(QStringLiteral("KIVRA_Client"),
                      QStringLiteral("Nessun segno dal server per la richiesta ") + request.Name
                          + QStringLiteral(" (inviata alle ")
                          + QDateTime::fromMSecsSinceEpoch(request.SentAt).toString(QStringLiteral("HH:mm"))
                          + QLatin1Char(')'));
    });
    // Told once a request, the current one or an earlier one.
    connect(m_request, &SentRequests::requestDone, this, [this](const WatchedRequest& request, StatusCode how) {
        tellElsewhere((how == Converted ? QStringLiteral("File convertiti.\n")
                                        : QStringLiteral("La richiesta ") + request.Name
                               + QStringLiteral(" si è conclusa senza log: i disegni potrebbero non essere "
                                                "stati convertiti.\n"))
                      + HostPath(request.OutputFolder));
    });
}

void frmClient::startUp(const QString& programDir)
{
    InitDefaults(m_settings);
    ReadSettings(programDir + QStringLiteral("\\kivra_client.ini"), m_settings, m_host);
    txtPath->setText(HostPath(m_settings.DXFOutDirRoot));
    m_settings.OutFolder.clear();
    // Checking a button runs its handler, which leaves the mode in upper case.
    if (m_settings.DXFDWGmode.compare(QLatin1String("DXF"), Qt::CaseInsensitive) == 0)
        OptDXF->setChecked(true);
    else
        OptDWG->setChecked(true);
    showStatus(Idle);
    m_openFolder->setFolder(m_settings.DXFOutDirRoot);
    txtMaxDrawings->setText(QString::number(m_settings.MaxNumberFiles));
    ListV->setMaxItems(m_settings.MaxNumberFiles);
    ListV->setFocus();
    m_request->watchFolders(m_settings.JobFileDir, m_settings.DXFOutDirRoot);
    Timer1->start(1500);
}

void frmClient::openFiles(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    ListV->addFiles(urls);
}

void frmClient::comeToFront()
{
    ComeToFront(this);
}

void frmClient::txtFolder_Change(const QString& text)
{
    m_settings.OutFolder = text;
    // Where the files will really be, in the host's own form.
    txtPath->setText(HostPath(m_settings.DXFOutDirRoot + QLatin1Char('\\') + m_settings.OutFolder));
    m_openFolder->setFolder(m_settings.DXFOutDirRoot + QLatin1Char('\\') + m_settings.OutFolder);
}

void frmClient::showStatus(StatusCode code)
{
    if (code == Converted && m_status != Converted)
        m_openFolder->lookAgain();   // the server has made the folder by now
    m_status = code;
    SetStatus(lblStatus, code);
}

// For a user who is in another program's window while the request goes on.
void frmClient::tellElsewhere(const QString& text)
{
    if (QApplication::activeWindow())
        return;
    m_host.askForAttention();
    m_host.notify(QStringLiteral("KIVRA_Client"), text);
}

bool frmClient::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblStatus && event->type() == QEvent::MouseButtonDblClick && m_status == Converted)
        m_openFolder->trigger();   // does nothing while it is greyed
    return QWidget::eventFilter(watched, event);
}

void frmClient::CmdOut_Click()
{
    sendWith([this] { return m_request->send(m_settings, ListV->paths()); });
}

// One write at a time: the button comes back when the write has ended, and with it the keyboard
// focus that disabling it moved on.
void frmClient::sendWith(const std::function<bool()>& send)
{
    const bool focused = CmdOut->hasFocus();
    if (!send())
        return;
    CmdOut->setEnabled(false);
    m_focusMovedTo = focused ? QApplication::focusWidget() : nullptr;
}

void frmClient::jobEnded(const QString& warning)
{
    CmdOut->setEnabled(true);
    if (m_focusMovedTo && QApplication::focusWidget() == m_focusMovedTo)
        CmdOut->setFocus(Qt::OtherFocusReason);
    m_focusMovedTo = nullptr;
    if (warning.isEmpty())
        return;
    tellElsewhere(warning);
    m_host.showWarning(warning);
}

void frmClient::cmdReset_Click()
{
    ListV->clear();
    showStatus(Idle);
    // Nothing of the earlier request is watched any more, its .wip mark included.
    m_request->reset();
}

bool frmClient::idle()
{
    return m_request->idle() && m_openFolder->idle() && m_host.idle();
}

// A job still being written is waited for briefly, so that how it ended is told while the window
// is there; when the share does not answer, one warning says so. A look that is out is not waited
// for: it has nothing to tell once the window is gone.
void frmClient::closeEvent(QCloseEvent* event)
{
    if (m_closing) {   // a second close while the first waits
        event->ignore();
        return;
    }
    emit closing();
    if (m_request->writing()) {
        m_closing = true;
        setEnabled(false);
        const QString name = m_request->writingName();
        QEventLoop wait;
        connect(m_request, &SentRequests::sendEnded, &wait, &QEventLoop::quit);
        QTimer::singleShot(1000, &wait, &QEventLoop::quit);
        wait.exec();
        if (m_request->writing()) {
            m_request->giveUp();   // no name is tried once the user was told
            m_host.showWarning(
                QStringLiteral("La richiesta ") + name
                + QStringLiteral(" potrebbe non essere stata inviata: la cartella condivisa non risponde."));
        }
        m_closing = false;
    }
    event->accept();
}

void frmClient::Timer1_Timer()
{
    m_request->tick();
}
