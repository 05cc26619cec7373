#include "window/TForm1.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "files/OutputNames.h"
#include "table/Capacities.h"
#include "table/ReadNotes.h"
#include "table/TableReader.h"
#include "text/Numbers.h"
#include "window/ColumnsDialog.h"
#include "files/TextFile.h"
#include "handlers/MapFiles.h"
#include "handlers/MapPanel.h"
#include "handlers/SavedMap.h"
#include "handlers/MapRecord.h"
#include "handlers/MrpMdsRun.h"
#include "handlers/Picking.h"
#include "handlers/Reload.h"
#include "handlers/RunControl.h"
#include "handlers/SocRun.h"
#include "handlers/TreeButton.h"
#include "handlers/ViewButtons.h"
#include "view/MapDrawing.h"
#include "session/Session.h"
#include "writers/Coordinates.h"
#include "writers/MapPicture.h"

namespace {

// The sans face whose metrics the form's layout was drawn for; the style
// hint finds the nearest where it is missing.
QFont SansFont(int pixels) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    return f;
}

struct ButtonSpec {
    QPushButton* TForm1::*member;
    const char* name;
    int left, top, width, height;
    const char* caption;
    TForm1::Action action;
};

struct EditSpec {
    int number;
    int left, top, width, height;
};

struct LabelSpec {
    const char* name;
    int left, top, width, height;
    const char* caption;
    int pixels;
};

void PressSoc(Form& form, Session& session) {
    RunSoc(form, session);
}

// The runs a suggestion presses again.
bool IsRun(TForm1::Action action) {
    return action == RunMrpMds || action == PressSoc || action == ReloadSocResults;
}

// The key that applies a suggestion of each field.
constexpr char kSuggestionKeys[] = "EDZ";

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setObjectName("Form1");
    setWindowTitle("Form1");
    setFont(SansFont(11));
    // The controls stand at their fixed places on a client area in a
    // scroll area: on a screen smaller than the form it scrolls instead of
    // running off the screen, and a wider window shows what lies beyond.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    client_ = new QWidget;
    client_->setObjectName("ClientArea");
    client_->setMinimumSize(kClientWidth, kClientHeight);
    scroll->setWidget(client_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    PlaceOnScreen();
    BuildControls();
    qApp->installEventFilter(this);
    StatusLine->Refresh();
}

// The form's own place and size, as far as the screen allows.
void TForm1::PlaceOnScreen() {
    QRect place(464, 143, kClientWidth, kClientHeight);
    if (const QScreen* shown = screen()) {
        constexpr int kFrame = 40;  // the window manager's title bar and borders, about
        const QRect room = shown->availableGeometry();
        place.setWidth(std::min(place.width(), room.width() - kFrame / 4));
        place.setHeight(std::min(place.height(), room.height() - kFrame));
        place.moveLeft(
            std::clamp(place.left(), room.left(), std::max(room.left(), room.right() - place.width())));
        place.moveTop(std::clamp(place.top(), room.top(),
                                 std::max(room.top(), room.bottom() - place.height() - kFrame)));
    }
    move(place.topLeft());
    resize(place.size());
}

void TForm1::BuildControls() {
    BuildPanels();
    BuildButtons();
    BuildEdits();
    BuildRunChoices();
    BuildStatusLine();
    BuildLabels();
    SetTabOrder();
}

// The message list, the map and the feature-vector panel.
void TForm1::BuildPanels() {
    Memo1 = new MemoList(client_);
    Memo1->setGeometry(7, 8, 162, 673);
    Memo1->Append("Memo1");
    Memo1->Flush();

    PaintBox1 = new PaintBox(client_, "PaintBox1");
    PaintBox1->setGeometry(176, 48, kMapPanelWidth, kMapPanelHeight);
    PaintBox1->setFont(PanelFont());
    PaintBox2 = new PaintBox(client_, "PaintBox2");
    PaintBox2->setGeometry(824, 464, 265, 217);
    PaintBox3 = new PaintBox(client_, "PaintBox3");
    PaintBox3->setGeometry(1360, 336, 265, 337);
    // A click on the map redraws it, a mouse-up picks; the wheel over the map
    // is "Size up" and "Size down"; resting on a mark names it. A click on
    // the feature-vector panel draws it again.
    connect(PaintBox1, &PaintBox::Clicked, this, [this] { Act(RedrawMap); });
    connect(PaintBox1, &PaintBox::MouseUp, this,
            [this](Qt::MouseButton, int x, int y) { Handle([=, this] { PickPrototype(*this, session_, x, y); }); });
    connect(PaintBox1, &PaintBox::Wheel, this, [this](int notches) {
        for (int i = 0; i < std::abs(notches); ++i) Act(notches > 0 ? SizeUp : SizeDown);
    });
    connect(PaintBox1, &PaintBox::Rested, this, &TForm1::ShowMarkTip);
    connect(PaintBox2, &PaintBox::Clicked, this, [this] { Act(DrawFeaturePanel); });
}

void TForm1::BuildButtons() {
    const ButtonSpec buttons[] = {
        {&TForm1::Button2, "Button2", 224, 8, 57, 25, "MRP-MDS", RunMrpMds},
        {&TForm1::Button3, "Button3", 296, 8, 41, 25, "STOP", [](Form&, Session& session) { StopRun(session); }},
        {&TForm1::Button10, "Button10", 352, 8, 51, 25, "SOC", PressSoc},
        {&TForm1::Button9, "Button9", 400, 8, 49, 25, "reload", ReloadSocResults},
        {&TForm1::Button4, "Button4", 496, 8, 57, 25, "Size up", SizeUp},
        {&TForm1::Button5, "Button5", 552, 8, 57, 25, "Size down", SizeDown},
        {&TForm1::Button6, "Button6", 616, 8, 41, 25, "Rot1", RotateAxes23},
        {&TForm1::Button7, "Button7", 656, 8, 49, 25, "Rot2", RotateAxes12},
        {&TForm1::Button8, "Button8", 704, 8, 49, 25, "Rot3", RotateAxes13},
        {&TForm1::Button11, "Button11", 768, 8, 49, 25, "View", SwitchLabels},
        {&TForm1::Button1, "Button1", 192, 688, 49, 25, "edge lim", ShowEdges},
        {&TForm1::Fa, "Fa", 306, 690, 75, 23, "Min. Tree", DrawMinimumTree},
    };
    for (const ButtonSpec& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), client_);
        button->setObjectName(b.name);
        button->setGeometry(b.left, b.top, b.width, b.height);
        connect(button, &QPushButton::clicked, this, [this, action = b.action] { Act(action); });
        this->*b.member = button;
    }
    Button9->setFont(SansFont(13));
}

void TForm1::BuildEdits() {
    const EditSpec edits[] = {
        {5, 248, 688, 41, 21},  {7, 387, 693, 46, 21},  {12, 824, 72, 41, 21},  {13, 824, 96, 41, 21},
        {4, 824, 160, 41, 21},  {11, 824, 184, 41, 21}, {8, 824, 264, 41, 21},  {9, 824, 288, 41, 21},
        {10, 824, 312, 41, 21}, {14, 824, 376, 41, 21}, {15, 824, 408, 41, 21}, {16, 984, 440, 41, 21},
        {1, 1488, 24, 41, 21},  {2, 1536, 24, 41, 21},  {3, 1584, 24, 41, 21},  {6, 1360, 648, 265, 21},
    };
    for (const EditSpec& e : edits) {
        auto* edit =
            new QLineEdit(QString::fromUtf8(DefaultEditText(static_cast<EditId>(e.number))), client_);
        edit->setObjectName(QStringLiteral("Edit%1").arg(e.number));
        edit->setGeometry(e.left, e.top, e.width, e.height);
        edit->setTextMargins(0, 0, 0, 0);
        Edits[e.number] = edit;
    }
    // "Input size" and "Vect. dim" follow each chosen file until typed in.
    for (const EditId typed : {Edit12, Edit13})
        connect(Edits[typed], &QLineEdit::textEdited, this, [this, typed] {
            typed_.insert(typed);
            typedSinceRun_.insert(typed);
        });
    Edits[3]->installEventFilter(this);
}

// What the next runs read besides the fields: the column scale (beside the
// map parameters, in the room below "map dim."), the map (beside "map
// dim."), all rows, the columns.
void TForm1::BuildRunChoices() {
    ScaleBox = new QComboBox(client_);
    ScaleBox->setObjectName("ScaleBox");
    ScaleBox->setGeometry(824, 212, 57, 21);
    for (ColumnScale scale : {ColumnScale::None, ColumnScale::Z, ColumnScale::Range})
        ScaleBox->addItem(QString::fromUtf8(ScaleName(scale)), static_cast<int>(scale));
    ScaleBox->setToolTip(
        QStringLiteral("How the features' columns are scaled before any distance: none (as read), z (mean 0, "
                       "standard deviation 1) or range (0 to 1)"));
    auto* scaleLabel = new QLabel(QStringLiteral("column scale"), client_);
    scaleLabel->setObjectName("ScaleLabel");
    scaleLabel->setFont(SansFont(13));
    scaleLabel->setGeometry(888, 214, 90, 16);
    scaleLabel->setBuddy(ScaleBox);
    MapBox = new QComboBox(client_);
    MapBox->setObjectName("MapBox");
    MapBox->setGeometry(976, 182, 84, 21);
    MapBox->addItem(QStringLiteral("distances"), static_cast<int>(MapMethod::Distances));
    MapBox->addItem(QStringLiteral("neighbours"), static_cast<int>(MapMethod::Neighbours));
    MapBox->setToolTip(
        QStringLiteral("The map MRP-MDS ends with: distances (the map of the items' distances) or neighbours "
                       "(made from it: each row's nearest rows kept near, far groups only apart)"));
    AllRowsBox = new QCheckBox(QStringLiteral("all rows"), client_);
    AllRowsBox->setObjectName("AllRowsBox");
    AllRowsBox->setFont(SansFont(13));
    AllRowsBox->setGeometry(940, 72, 80, 18);
    AllRowsBox->setToolTip(
        QStringLiteral("Every row of the file, up to 1,000,000, instead of \"Input size\": MRP-MDS maps 400 of "
                       "them and places the others on its map; SOC trains on all of them"));
    ColumnsButton = new QPushButton(QStringLiteral("columns\u2026"), client_);
    ColumnsButton->setObjectName("ColumnsButton");
    ColumnsButton->setGeometry(984, 211, 75, 23);
    ColumnsButton->setToolTip(
        QStringLiteral("The chosen file's columns: which are features, which name the items, which gives "
                       "their class, which are left out"));
    connect(ColumnsButton, &QPushButton::clicked, this, [this] { Handle([this] { ChooseColumns(); }); });
    SeedEdit = new QLineEdit(client_);
    SeedEdit->setObjectName("SeedEdit");
    SeedEdit->setGeometry(976, 352, 81, 21);
    SeedEdit->setTextMargins(0, 0, 0, 0);
    SeedEdit->setToolTip(QStringLiteral("A whole number makes the runs repeatable, as --seed does on the command "
                                        "line; empty, each run takes the clock's, which the status line names"));
    auto* seedLabel = new QLabel(QStringLiteral("seed"), client_);
    seedLabel->setObjectName("SeedLabel");
    seedLabel->setFont(SansFont(13));
    seedLabel->setGeometry(1064, 354, 30, 16);
    seedLabel->setBuddy(SeedEdit);
    // Beside "char. distance", right of the captions of the three MRP fields.
    MrpAutoButton = new QPushButton(QStringLiteral("auto"), client_);
    MrpAutoButton->setObjectName("MrpAutoButton");
    MrpAutoButton->setGeometry(976, 262, 45, 23);
    MrpAutoButton->setToolTip(
        QStringLiteral("MRP-MDS with \"char. distance\", \"noise limit\" and \"neigbbour limit\" chosen for "
                       "the file by how well its clusters stand apart; the run writes them into the fields"));
    connect(MrpAutoButton, &QPushButton::clicked, this, [this] {
        fitMrp_ = true;
        Act(RunMrpMds);
        fitMrp_ = false;
    });
}

void TForm1::BuildStatusLine() {
    StatusLine = new StatusText(client_);
    StatusLine->setObjectName("StatusLine");
    StatusLine->setGeometry(7, 719, 1082, 21);
    StatusLine->SetHintWanted([this] { return !RunInProgress(session_) && session_.shown.kind != MapKind::None; });
    connect(StatusLine, &StatusText::LineChosen, this, &TForm1::ApplySuggestionOf);
}

void TForm1::BuildLabels() {
    const LabelSpec labels[] = {
        {"Label10", 824, 48, 125, 20, "Input parameters", 16},
        {"", 880, 56, 3, 13, "", 11},
        {"Label1", 872, 72, 55, 16, "Input size", 13},
        {"Label2", 872, 96, 186, 16, "Vect. dim         /  0:distance input", 13},
        {"Label9", 824, 136, 121, 20, "Map parameters", 16},
        {"Label7", 872, 160, 79, 16, "map enlarge.", 13},
        {"Label8", 872, 184, 84, 16, "map dim. (1-3)", 13},
        {"Label6", 824, 240, 126, 20, "MRP parameters", 16},
        {"Label3", 872, 264, 83, 16, "char. distance", 13},
        {"Label5", 872, 288, 59, 16, "noise limit", 13},
        {"Label4", 872, 312, 87, 16, "neigbbour limit", 13},
        {"Label12", 824, 352, 125, 20, "SOC parameters", 16},
        {"Label13", 864, 384, 196, 16, "No. of feature vect.     / 0: MRP init", 13},
        {"Label14", 864, 408, 108, 16, "convergence. rate", 13},
        {"Label11", 824, 440, 107, 20, "Feature vector", 16},
        {"Label15", 1032, 440, 54, 16, "simil. dist", 13},
    };
    for (const LabelSpec& l : labels) {
        auto* label = new QLabel(QString::fromUtf8(l.caption), client_);
        label->setObjectName(l.name);
        label->setFont(SansFont(l.pixels));
        // Labels size themselves to their text, so a wider font never clips one.
        const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text()) + 2;
        label->setGeometry(l.left, l.top, std::max(l.width, needed), l.height);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
}

// The message list, then the fields and buttons as they lie.
void TForm1::SetTabOrder() {
    QWidget* const order[] = {Memo1,    Edits[1],  Edits[2],  Edits[3],  Button1,   Edits[4],
                              Button2,  Edits[5],  Button3,   Button4,   Button5,   Button6,
                              Button7,  Button8,   Button9,   Button10,  Button11,  Edits[6],
                              Fa,       Edits[7],  Edits[8],  Edits[9],  Edits[10], MrpAutoButton, Edits[11],
                              MapBox,   ScaleBox, ColumnsButton, Edits[12], AllRowsBox, Edits[13], Edits[14], Edits[15], Edits[16], SeedEdit};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

std::string TForm1::EditText(EditId edit) {
    return Edits.at(edit)->text().toStdString();
}

void TForm1::SetEditText(EditId edit, std::string_view text) {
    Edits.at(edit)->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void TForm1::MemoClear() {
    Memo1->Clear();
}
void TForm1::MemoAppend(std::string_view line) {
    Memo1->Append(line);
}
void TForm1::MemoSetText(std::string_view text) {
    Memo1->SetText(text);
}

QStringList TForm1::ShowOpenDialog(const QString& folder) {
    QFileDialog dialog(this);
    dialog.setDirectory(folder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

void TForm1::TakeFile(const QString& name) {
    lastFolder_ = QFileInfo(name).absolutePath();
    // Typed fields hold for the runs on their file; on another, only what
    // was typed for this run.
    if (name != lastFile_) typed_ = typedSinceRun_;
    lastFile_ = name;
}

// The dialog starts where the last file of this session was chosen, the
// first time in the working folder: where the user started the tool from.
std::string TForm1::ChooseFiles() {
    QStringList names;
    rolesChecked_ = false;
    if (std::exchange(rerun_, false) && !lastFile_.isEmpty()) {
        names << lastFile_;
    } else {
        names = ShowOpenDialog(!lastFolder_.isEmpty() ? lastFolder_ : QDir::currentPath());
        if (!names.isEmpty()) TakeFile(names.first());
    }
    if (!names.isEmpty()) typedSinceRun_.clear();  // a cancelled choice keeps them for the next run
    std::string list;
    for (const QString& name : names) list += QFile::encodeName(name).toStdString() + "\r\n";
    return list;
}

// The roles given to the chosen file's columns, while its columns are the
// ones they were given to (checked once a choice), and the column scale.
RunChoices TForm1::Choices() {
    RunChoices choices;
    auto kept = roles_.find(lastFile_);
    if (kept != roles_.end() && !std::exchange(rolesChecked_, true)) {
        ReadReport report;
        InspectFile(QFile::encodeName(lastFile_).constData(), ReadOptions{}, 1, report);
        if (report.columns.header != kept->second.header || report.columns.columns != kept->second.columns) {
            StatusNote(Format("warning: the columns of %s changed: the roles given to them are dropped",
                              QFileInfo(lastFile_).fileName().toUtf8().constData()));
            roles_.erase(kept);
            kept = roles_.end();
        }
    }
    if (kept != roles_.end()) choices.reading = kept->second.roles;
    choices.reading.scale = static_cast<ColumnScale>(ScaleBox->currentData().toInt());
    choices.allRows = AllRowsBox->isChecked();
    choices.map = static_cast<MapMethod>(MapBox->currentData().toInt());
    choices.mrp = fitMrp_ ? MrpSource::FittedToTable : MrpSource::Fields;
    bool whole = false;
    const unsigned seed = SeedEdit->text().trimmed().toUInt(&whole);
    if (whole) choices.seed = seed;
    return choices;
}

bool TForm1::FieldFollowsFile(EditId edit) {
    return (edit == Edit12 || edit == Edit13) && typed_.count(edit) == 0;
}

std::string TForm1::Suggest(const Suggestion& suggestion) {
    const char key = kSuggestionKeys[suggestion.field];
    const std::string words =
        Format(" [%c or a double-click here: %s, and run again]", key,
               suggestion.field == Suggestion::ScaleZ ? "scale z" : suggestion.value.c_str());
    offers_[suggestion.field] = {suggestion, words};
    return words;
}

std::string TForm1::ColumnsControl() {
    return "\"columns\u2026\"";
}

void TForm1::ApplySuggestion(Suggestion::Field field) {
    const auto offer = offers_.find(field);
    if (RunInProgress(session_) || offer == offers_.end() || !lastRun_ || lastFile_.isEmpty()) return;
    const Suggestion s = offer->second.suggestion;
    if (s.field == Suggestion::Enlargement) SetEditText(Edit4, s.value);
    if (s.field == Suggestion::CharDistance) SetEditText(Edit8, s.value);
    if (s.field == Suggestion::ScaleZ) ScaleBox->setCurrentIndex(ScaleBox->findData(static_cast<int>(ColumnScale::Z)));
    rerun_ = true;
    Act(lastRun_);
}

void TForm1::ApplySuggestionOf(const QString& noteLine) {
    const std::string line = noteLine.toStdString();
    for (const auto& [field, offer] : offers_)
        if (line.size() >= offer.words.size() &&
            line.compare(line.size() - offer.words.size(), offer.words.size(), offer.words) == 0)
            return ApplySuggestion(field);
}

std::optional<ReadOptions> TForm1::ShowColumnsDialog(const QString& file, const ColumnPlan& plan) {
    ColumnsDialog dialog(this, QFileInfo(file).fileName(), plan);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Roles();
}

void TForm1::ChooseColumns() {
    if (RunInProgress(session_)) return;
    if (lastFile_.isEmpty()) {
        const QStringList names = ShowOpenDialog(lastFolder_.isEmpty() ? QDir::currentPath() : lastFolder_);
        if (names.isEmpty()) return;
        TakeFile(names.first());
        rolesChecked_ = false;
    }
    const QByteArray path = QFile::encodeName(lastFile_);
    const QString file = QFileInfo(lastFile_).fileName();
    ReadOptions reading = Choices().reading;
    ReadReport report;
    InspectFile(path.constData(), reading, kMaxSocVectors, report);
    if (!report.problem.empty()) {  // roles that no longer fit: the reader's own
        reading = ReadOptions{{}, {}, {}, reading.scale};
        InspectFile(path.constData(), reading, kMaxSocVectors, report);
    }
    if (const std::string why = Unusable(report, path.constData()); !why.empty() || report.columns.columns == 0)
        return SayDone("error: no columns to show: " + (why.empty() ? file.toStdString() + " holds no table" : why));
    const std::optional<ReadOptions> roles = ShowColumnsDialog(file, report.columns);
    if (!roles) return;
    roles_[lastFile_] = {report.columns.header, report.columns.columns, *roles};
    rolesChecked_ = true;
    ReadOptions given = *roles;
    given.scale = reading.scale;
    InspectFile(path.constData(), given, kMaxSocVectors, report);
    const ColumnPlan& plan = report.columns;
    SayDone(Format("the runs on %s read %d feature%s, %s, %s, %d column%s left out", file.toUtf8().constData(),
                   static_cast<int>(plan.features.size()), plan.features.size() == 1 ? "" : "s",
                   plan.namesColumn > 0 ? ("names from " + plan.ColumnWords(plan.namesColumn)).c_str() : "no names",
                   plan.classColumn > 0 ? ("class from " + plan.ColumnWords(plan.classColumn)).c_str() : "no class",
                   static_cast<int>(plan.leftOut.size()), plan.leftOut.size() == 1 ? "" : "s"));
}

void TForm1::StatusClear() {
    StatusLine->Clear();
    offers_.clear();
}

void TForm1::StatusOutside(int marks) {
    StatusLine->Outside(marks);
}

void TForm1::SayDone(std::string text) {
    StatusLine->Done(std::move(text));
}

void TForm1::StatusNote(std::string_view text) {
    StatusLine->Note(std::string(text));
}

void TForm1::StatusProgress(const RunProgress& progress) {
    StatusLine->Progress(ProgressText(progress));
}

void TForm1::StatusOutcome(Outcome outcome, std::string_view text, std::string_view figures) {
    if (outcome == Outcome::Busy)
        StatusLine->Busy(OutcomeText(outcome, text));
    else
        StatusLine->Ended(outcome, text, figures);
}

void TForm1::ProcessEvents() {
    Memo1->FlushDuringRun([] { QApplication::processEvents(); });
}

void TForm1::Handle(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(this, windowTitle(), QString());
    }
    Memo1->Flush();
    StatusLine->Refresh();
    if (closePending_ && !RunInProgress(session_)) close();
}

void TForm1::Act(Action action) {
    if (IsRun(action) && !RunInProgress(session_)) lastRun_ = action;
    Handle([this, action] { action(*this, session_); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!RunInProgress(session_)) return event->accept();
    // The run ends at its next event-processing point; the window closes then.
    session_.StopRequested = true;
    closePending_ = true;
    event->ignore();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The window's own keys come first, whichever of its controls has the focus.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* target = static_cast<QWidget*>(watched);
        const QWidget* window = target->window();
        if ((window == this || window == StatusLine->Notes()) &&
            HandleKey(target, *static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm1::HandleKey(QWidget* target, const QKeyEvent& key) {
    const auto mods = key.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const bool typing = qobject_cast<QLineEdit*>(target) && !static_cast<QLineEdit*>(target)->isReadOnly();
    if ((mods == Qt::ControlModifier && key.key() == Qt::Key_0) ||
        (mods == 0 && key.key() == Qt::Key_F && !typing)) {
        Act(FitMap);
    } else if (mods == 0 && key.key() == Qt::Key_C && !typing) {
        Act(SwitchColours);
    } else if (mods == 0 && key.key() == Qt::Key_L && !typing) {
        Act(SwitchLegend);
    } else if (mods == 0 && key.key() == Qt::Key_N && !typing) {
        StatusLine->ToggleNotes();
    } else if (const char* letter = std::strchr(kSuggestionKeys, key.key());
               mods == 0 && !typing && key.key() < 128 && letter && *letter &&
               offers_.count(static_cast<Suggestion::Field>(letter - kSuggestionKeys))) {
        ApplySuggestion(static_cast<Suggestion::Field>(letter - kSuggestionKeys));
    } else if (mods == Qt::ControlModifier && key.key() == Qt::Key_S) {
        SavePicture();
    } else if (mods == Qt::ControlModifier && key.key() == Qt::Key_E) {
        SaveTable("Save the map's coordinates", "map.tsv", "coordinates", WriteCoordinates);
    } else if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key.key() == Qt::Key_E) {
        SaveItems();
    } else if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key.key() == Qt::Key_C) {
        CopyPicture();
    } else if (mods == Qt::ControlModifier && key.key() == Qt::Key_M) {
        SaveMap();
    } else if (mods == Qt::ControlModifier && key.key() == Qt::Key_O) {
        OpenMap();
    } else if (mods == Qt::ControlModifier && key.key() == Qt::Key_P) {
        PlaceRows();
    } else {
        return false;
    }
    return true;
}

void TForm1::ShowMarkTip(int x, int y) {
    const std::string text = MarkDescription(*this, session_, x, y);
    if (text.empty()) return QToolTip::hideText();
    QToolTip::showText(PaintBox1->mapToGlobal(QPoint(x, y)), QString::fromStdString(text), PaintBox1);
}

bool TForm1::MapShown() {
    if (session_.shown.kind != MapKind::None) return true;
    SayDone("no map yet: run MRP-MDS or SOC, or reload, first");
    return false;
}

QString TForm1::ShowSaveDialog(const QString& title, const QString& suggested, const QString& filter,
                               QString& chosenFilter) {
    return QFileDialog::getSaveFileName(this, title, suggested, filter, &chosenFilter);
}

namespace {
// The formats a picture can take, for the save dialog.
QString PictureFilters() {
    QStringList raster;
    for (const std::string& f : RasterFormats())
        if (f != "png") raster << "*." + QString::fromStdString(f);
    return QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF page (*.pdf);;Other pictures (") +
           raster.join(' ') + ")";
}
// A name without an extension takes the one of the type chosen in the
// dialog: "PNG image (*.png)" gives .png; a type of several, .png.
QString WithExtension(const QString& name, const QString& filter) {
    if (!QFileInfo(name).suffix().isEmpty()) return name;
    const qsizetype star = filter.indexOf("(*.");
    const qsizetype end = filter.indexOf(')', star);
    const QString extension = star >= 0 && end > star ? filter.mid(star + 3, end - star - 3) : QString();
    return name + "." + (extension.isEmpty() || extension.contains(' ') ? QStringLiteral("png") : extension);
}
}  // namespace

void TForm1::Save(const QString& chosen, const QString& path, const char* what,
                  const std::function<Written(const std::string&)>& write) {
    // The name as chosen and as written: neither may be the input, a file
    // the runs keep beside it, or a folder.
    for (const QString& name : {chosen, path})
        if (const std::string problem =
                OutputNameProblem(QFile::encodeName(name).toStdString(), session_.shown.input);
            !problem.empty())
            return SayDone("error: not saved: " + problem);
    SayDone(WrittenText(write(QFile::encodeName(path).toStdString()), what));
}

void TForm1::SavePicture() {
    if (!MapShown()) return;
    QString type;
    const QString name =
        ShowSaveDialog(QStringLiteral("Save the map picture (a name ending @2x.png: twice the size)"),
                       QDir(lastFolder_).filePath("map.png"), PictureFilters(), type);
    if (name.isEmpty()) return;
    Save(name, WithExtension(name, type), "map picture",
         [this](const std::string& path) { return WriteMapPicture(session_.Scene(), ShownMapCaption(session_), path); });
}

void TForm1::SaveTable(const char* title, const char* suggested, const char* what,
                       Written (*write)(const Session&, const std::string&)) {
    if (!MapShown()) return;
    QString type;
    const QString name = ShowSaveDialog(QString::fromUtf8(title), QDir(lastFolder_).filePath(suggested),
                                        QStringLiteral("Tab-separated values (*.tsv)"), type);
    if (name.isEmpty()) return;
    QString path = name;
    if (!path.endsWith(".tsv", Qt::CaseInsensitive)) path += ".tsv";
    Save(name, path, what, [this, write](const std::string& to) { return write(session_, to); });
}

void TForm1::SaveItems() {
    if (session_.shown.kind == MapKind::MrpMds)
        return SayDone("no item file of an MRP-MDS map: its coordinates (Ctrl+E) give each item's cluster");
    SaveTable("Save each item's prototype", "items.tsv", "items", WriteSocItems);
}

void TForm1::SaveMap() {
    if (!MapShown()) return;
    if (const std::string why = WhyNotSaved(session_); !why.empty()) return SayDone("map not saved: " + why);
    QString type;
    const QString name = ShowSaveDialog(QStringLiteral("Save the map, to show it again or place new rows on it"),
                                        QDir(lastFolder_).filePath("map.itemmap"), QStringLiteral("Map (*.itemmap)"), type);
    if (name.isEmpty()) return;
    QString path = name;
    if (QFileInfo(path).suffix().isEmpty()) path += ".itemmap";
    Save(name, path, "map", [this](const std::string& to) { return Written{to, WriteTextFile(to, SavedMapText(session_))}; });
}

QString TForm1::ChooseOneFile() {
    const QStringList names = ShowOpenDialog(!lastFolder_.isEmpty() ? lastFolder_ : QDir::currentPath());
    if (names.isEmpty()) return {};
    lastFolder_ = QFileInfo(names.first()).absolutePath();
    return names.first();
}

void TForm1::OpenMap() {
    if (session_.running) return SayDone(std::string("not now: ") + session_.running + " is going on");
    if (const QString name = ChooseOneFile(); !name.isEmpty())
        Handle([&] { OpenSavedMap(*this, session_, QFile::encodeName(name).toStdString()); });
}

void TForm1::PlaceRows() {
    if (!MapShown()) return;
    if (const QString name = ChooseOneFile(); !name.isEmpty())
        Handle([&] { PlaceRowsOnShownMap(*this, session_, QFile::encodeName(name).toStdString()); });
}

void TForm1::CopyPicture() {
    if (!MapShown()) return;
    QApplication::clipboard()->setImage(MapImage(session_.Scene(), ShownMapCaption(session_), 1));
    SayDone("map picture copied to the clipboard");
}
