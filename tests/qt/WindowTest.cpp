// The window as a user meets it, on the offscreen platform.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>
#include <stdexcept>

#include "handlers/MapRecord.h"
#include "handlers/RunControl.h"
#include "session/Session.h"
#include "view/MapDrawing.h"
#include "view/MapLegend.h"
#include "view/MarkColours.h"
#include "view/ViewFit.h"
#include "view/ViewTransform.h"
#include "window/TForm1.h"
#include "writers/MapPicture.h"

namespace {

// The window with its file dialog replaced: only tests can do this.
class TestForm : public TForm1 {
public:
    QStringList answer;
    QString saveAs;        // the save dialog's answer
    QString saveType;      // and the type chosen in it
    std::optional<ReadOptions> roles;  // the columns dialog's answer
    ColumnPlan columnsShown;           // and what it showed
    QStringList openedIn;  // the folders the open dialog started in
    bool throwInDialog = false;

protected:
    QStringList ShowOpenDialog(const QString& folder) override {
        if (throwInDialog) throw std::runtime_error("the disk went away");
        openedIn << folder;
        return answer;
    }
    std::optional<ReadOptions> ShowColumnsDialog(const QString&, const ColumnPlan& plan) override {
        columnsShown = plan;
        return roles;
    }
    QString ShowSaveDialog(const QString&, const QString&, const QString&, QString& type) override {
        type = saveType;
        return saveAs;
    }
};

// A copy of a sample in a folder of its own: runs write their files beside it.
class SampleCopy {
public:
    explicit SampleCopy(const char* name) : path_(dir_.filePath(name)) {
        QFile::copy(QStringLiteral(ITEMMAP_SAMPLES_DIR "/") + name, path_);
    }
    const QString& path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
};

// MRP-MDS on the iris sample, "map enlarge." 3: a map beyond the panel.
void RunIris(TestForm& form, const SampleCopy& sample) {
    form.answer = {sample.path()};
    form.Edits[12]->setText("150");
    form.Edits[13]->setText("4");
    form.Edits[8]->setText("0.51");
    QTest::mouseClick(form.Button2, Qt::LeftButton);
}

// Whether a pixel of the image has the colour (0x00BBGGRR).
bool Shows(const QImage& image, std::uint32_t bgr) {
    const QRgb rgb = qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, bgr >> 16);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) return true;
    return false;
}

// Whether a panel's picture is white within its frame: nothing drawn on it.
bool BlankWithinFrame(const QImage& image) {
    for (int y = 1; y < image.height() - 2; ++y)
        for (int x = 1; x < image.width() - 2; ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    return true;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    // Every control lies inside the widened window (a panel lies beyond its
    // first width), clear of the others (buttons in a row may share a few
    // pixels), and the caption of each field stands just right of it.
    void theControlsStandApartInsideTheWindowWithTheirCaptions() {
        TestForm form;
        QCOMPARE(form.windowTitle(), QString("Form1"));
        form.show();
        form.resize(1700, 800);
        auto* client = form.findChild<QWidget*>("ClientArea");
        QTRY_VERIFY(client->width() >= 1700 - 20);
        QList<QWidget*> controls;
        for (QWidget* w : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!w->isHidden() && !w->objectName().isEmpty()) controls << w;
        QVERIFY(controls.size() > 40);
        for (QWidget* w : controls) {
            QVERIFY2(client->rect().contains(w->geometry()), qPrintable(w->objectName()));
            QWidget* atCentre = client->childAt(w->geometry().center());
            QVERIFY2(atCentre == w || w->isAncestorOf(atCentre), qPrintable(w->objectName()));
            for (QWidget* other : controls) {
                const QRect both = w->geometry() & other->geometry();
                // Edit6 lies across the foot of the third panel.
                const bool onPanel = (w == form.Edits[6]) != (other == form.Edits[6]) &&
                                     (w == form.PaintBox3 || other == form.PaintBox3);
                QVERIFY2(
                    w == other || onPanel || both.isEmpty() || std::min(both.width(), both.height()) <= 3,
                    qPrintable(w->objectName() + " and " + other->objectName()));
            }
        }
        const std::pair<int, const char*> fields[] = {{12, "Input size"},        {13, "Vect. dim"},
                                                      {4, "map enlarge."},       {11, "map dim. (1-3)"},
                                                      {8, "char. distance"},     {9, "noise limit"},
                                                      {10, "neigbbour limit"},   {14, "No. of feature vect."},
                                                      {15, "convergence. rate"}, {16, "simil. dist"}};
        for (const auto& [edit, caption] : fields) {
            const QRect field = form.Edits[edit]->geometry();
            QLabel* beside = nullptr;
            for (auto* l : client->findChildren<QLabel*>())
                if (l->text().startsWith(caption)) beside = l;
            QVERIFY2(beside, caption);
            const QRect label = beside->geometry();
            QVERIFY2(label.left() >= field.right() && label.left() - field.right() < 20, caption);
            QVERIFY2(std::abs(label.center().y() - field.center().y()) <= field.height() / 2, caption);
        }
        QVERIFY(form.StatusLine->isReadOnly());
    }

    // The map and the column scale are the keyboard stops after "map dim.",
    // and the scale's choice holds for every run of the session.
    void theColumnScaleIsReachedByKeyboardAndStays() {
        TestForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Edits[11]->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.MapBox);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.ScaleBox);
        QTest::keyClick(form.ScaleBox, Qt::Key_Down);
        QCOMPARE(form.Choices().reading.scale, ColumnScale::Z);
        SampleCopy iris("iris-150x4.txt");
        RunIris(form, iris);
        QCOMPARE(form.Choices().reading.scale, ColumnScale::Z);
        QVERIFY(std::abs(form.session().table.factor[1] * 0.8280661f - 1) < 1e-6);  // sepal length's deviation
    }

    // A table with names and a class: View goes on to the names, C colours
    // the marks by class in the palette's order, the legend counts them, L
    // hides it, and a click on the status line lists its notes.
    void namesClassesAndTheLegend() {
        TestForm form;
        form.show();
        const SampleCopy iris("iris-table.txt");
        form.answer = {iris.path()};
        form.Edits[12]->setText("150");
        form.Edits[13]->setText("4");
        QTimer::singleShot(30, &form, [&form] { QTest::mouseClick(form.Button3, Qt::LeftButton); });
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        for (const int mode : {kViewNumbers, kViewNames, kViewBars}) {
            QTest::mouseClick(form.Button11, Qt::LeftButton);
            QCOMPARE(form.session().view.mode, mode);
        }

        QTest::keyClick(form.Memo1, Qt::Key_C);
        QVERIFY(form.session().view.colourByClass);
        Legend legend;
        LegendEntries(form.session().Scene(), legend);
        QStringList lines;
        for (const LegendEntry& e : legend) lines << QString::fromUtf8(e.text);
        QCOMPARE(lines, (QStringList{"Species", "setosa: 50", "versicolor: 50", "virginica: 50"}));
        QCOMPARE(legend.entries[1].fill, ClassColour(1));
        QVERIFY(ClassColour(1) != ClassColour(2) && ClassColour(2) != ClassColour(3) &&
                ClassColour(1) != ClassColour(3));
        for (int k = 1; k <= 3; ++k) QVERIFY(Shows(form.PaintBox1->Image(), ClassColour(k)));
        QTest::keyClick(form.Memo1, Qt::Key_C);
        QVERIFY(!Shows(form.PaintBox1->Image(), ClassColour(1)));

        const QImage withLegend = form.PaintBox1->Image();
        QTest::keyClick(form.Memo1, Qt::Key_L);
        QVERIFY(!form.session().view.showLegend);
        QVERIFY(form.PaintBox1->Image() != withLegend);

        QTest::mouseClick(form.StatusLine, Qt::LeftButton);
        QVERIFY(form.StatusLine->Notes()->isVisible());
        QVERIFY(
            form.StatusLine->Notes()->toPlainText().contains("class from column 6 \"Species\" (3 values)"));
        QTest::keyClick(form.Memo1, Qt::Key_N);
        QVERIFY(!form.StatusLine->Notes()->isVisible());
    }

    void captionsAndLabelsAreNotClipped() {
        TestForm form;
        for (auto* b : form.findChildren<QPushButton*>()) {
            const int needed = QFontMetrics(b->font()).horizontalAdvance(b->text());
            QVERIFY2(needed <= b->width() - 4, qPrintable(b->objectName()));
        }
        for (auto* l : form.findChildren<QLabel*>()) {
            const int needed = QFontMetrics(l->font()).horizontalAdvance(l->text());
            QVERIFY2(needed <= l->width(), qPrintable(l->objectName()));
            QVERIFY2(QFontMetrics(l->font()).height() <= l->height() + 3, qPrintable(l->objectName()));
        }
    }

    // Tab goes round every field and button of the window, each once a round.
    void tabVisitsEveryFieldAndButtonOnce() {
        TestForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSet<QWidget*> fields;
        for (auto* w : form.findChildren<QWidget*>())
            if ((qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w)) && w->isVisible() &&
                w->focusPolicy() & Qt::TabFocus)
                fields << w;
        QVERIFY(fields.size() >= 28);
        form.Memo1->setFocus();
        QList<QWidget*> round;
        for (QWidget* w = nullptr; w != form.Memo1 && round.size() < 200;) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            w = QApplication::focusWidget();
            round << w;
        }
        for (QWidget* w : fields) QCOMPARE(round.count(w), 1);
    }

    void stopSetsTheFlagAndNothingElse() {
        TestForm form;
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QCOMPARE(form.session().StopRequested, 1);
        QCOMPARE(form.Memo1->Lines(), QStringList{"Memo1"});
    }

    void aLongMessageListIsShownQuickly() {
        TestForm form;
        form.show();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 200000; ++i) form.MemoAppend(std::to_string(i));
        form.ProcessEvents();
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    // A click on a panel with nothing to show draws it empty, and the
    // picture stays while the window is hidden and shown again.
    void panelsKeepTheirPictureAndRedrawOnAClick() {
        TestForm form;
        form.show();
        for (PaintBox* panel : {form.PaintBox1, form.PaintBox2}) {
            QVERIFY(!BlankWithinFrame(panel->Image()));
            QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(10, 10));
            QVERIFY2(BlankWithinFrame(panel->Image()), qPrintable(panel->objectName()));
        }
        const QImage drawn = form.PaintBox1->Image();
        form.hide();
        form.show();
        QCOMPARE(form.PaintBox1->Image(), drawn);
    }

    // The panel's last column and row lie outside the white frame: a redraw
    // clears them too, so no mark of an earlier map stays there.
    void aRedrawLeavesNoMarkBeyondTheFrame() {
        TestForm form;
        form.PaintBox1->BeginDraw();
        form.PaintBox1->SetBrushColor(0x0000FF);
        form.PaintBox1->Rectangle(600, 600, 700, 700);
        form.PaintBox1->EndDraw();
        QTest::mouseClick(form.PaintBox1, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!Shows(form.PaintBox1->Image(), 0x0000FF));
    }

    // The panel puts marks and bars straight into its image; the pictures
    // draw them with Qt's painter. Both must give the same pixels.
    void thePanelAndThePictureDrawTheSameMap() {
        TestForm form;
        const SampleCopy sample("iris-150x4.txt");
        QTimer::singleShot(30, &form, [&form] { QTest::mouseClick(form.Button3, Qt::LeftButton); });
        RunIris(form, sample);
        form.session().view.showLegend = false;             // a picture has its legend below the map
        for (int mode = 0; mode < 2; ++mode) {  // bars, then numbers
            QTest::mouseClick(form.PaintBox1, Qt::LeftButton, {}, QPoint(5, 5));
            QCOMPARE(form.PaintBox1->Image(), MapImage(form.session().Scene(), ShownMapCaption(form.session()), 1)
                                                  .copy(0, 0, 641, 633)
                                                  .convertToFormat(form.PaintBox1->Image().format()));
            QTest::mouseClick(form.Button11, Qt::LeftButton);  // "View"
        }
    }

    // Iris with "map enlarge." 3 reaches beyond the panel: the status line
    // counts the marks outside, F fits them, the wheel zooms, and resting on
    // a mark names it.
    void aMapBeyondThePanelIsFittedZoomedAndNamed() {
        TestForm form;
        const SampleCopy sample("iris-150x4.txt");
        form.show();
        RunIris(form, sample);
        QVERIFY2(form.StatusLine->text().contains(" outside the panel: F fits them"),
                 qPrintable(form.StatusLine->text()));
        QTest::keyClick(form.Memo1, Qt::Key_F);
        QVERIFY2(!form.StatusLine->text().contains("outside the panel"), qPrintable(form.StatusLine->text()));
        QCOMPARE(MarksOutside(form.session().view, form.session().map, 641, 633), 0);

        // A notch of the wheel is "Size up" (a touchpad's half notches add
        // up to one), and "Size down" takes it back.
        const double scale = form.session().view.centre[5];
        for (int half = 1; half <= 2; ++half) {
            QWheelEvent wheel(QPointF(320, 316), form.PaintBox1->mapToGlobal(QPointF(320, 316)), {},
                              QPoint(0, 60), Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(form.PaintBox1, &wheel);
            QVERIFY(half == 1 ? form.session().view.centre[5] == scale : form.session().view.centre[5] > scale);
        }
        QTest::mouseClick(form.Button5, Qt::LeftButton);
        QVERIFY(qFuzzyCompare(form.session().view.centre[5], scale));

        const PixelScale pixels = MapPixelScale(form.session().view, form.session().map, 641, 633);
        const MapPixel at = PixelOf(pixels, form.session().view.Projected(7)[1], form.session().view.Projected(7)[2]);
        emit form.PaintBox1->Rested(at.x, pixels.h1 - at.yUp);
        QVERIFY2(QToolTip::text().startsWith("item 7: "), qPrintable(QToolTip::text()));
    }

    // On a screen smaller than the form the controls scroll; a wider window
    // shows those placed beyond the form's own width.
    void theFormScrollsOnASmallScreenAndWidens() {
        TestForm form;
        form.show();
        const QRect room = form.screen()->availableGeometry();
        QVERIFY(form.width() <= room.width() && form.height() <= room.height());
        auto* client = form.findChild<QWidget*>("ClientArea");
        QVERIFY(client->width() >= 1117 && client->height() >= 745);
        form.resize(1700, 800);
        QTRY_VERIFY(client->width() >= 1700 - 20);
        QVERIFY(client->rect().contains(form.PaintBox3->geometry()));
    }

    void theStatusLineSaysWhatARunReadAndHowItEnded() {
        TestForm form;
        const SampleCopy sample("cancer-89x26.txt");
        form.answer = {sample.path()};
        form.show();
        QTimer::singleShot(50, &form, [&form] { QTest::mouseClick(form.Button3, Qt::LeftButton); });
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QVERIFY2(form.StatusLine->text().startsWith("MRP-MDS stopped at step "),
                 qPrintable(form.StatusLine->text()));
        QVERIFY(form.StatusLine->text().contains("read 89 rows of 26 values from cancer-89x26.txt"));
        for (int i = 0; i < 12 && !form.StatusLine->text().contains(" outside the panel"); ++i)
            QTest::mouseClick(form.Button4, Qt::LeftButton);
        QVERIFY(form.StatusLine->text().contains(" outside the panel"));

        // A refusal leaves nothing of the earlier map: no count of its marks,
        // and a click on the feature-vector panel draws nothing of its data.
        form.Edits[12]->selectAll();
        QTest::keyClick(form.Edits[12], Qt::Key_Backspace);  // typed: it no longer follows the file
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(
            form.StatusLine->text(),
            QString("refused: invalid input data. \u2014 \"Input size\" is empty: it must give the number of "
                    "items  \u00b7  the map of cancer-89x26.txt is cleared: it was another run's"));
        QTest::mouseClick(form.PaintBox2, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(BlankWithinFrame(form.PaintBox2->Image()));
        QCOMPARE(form.Memo1->Lines().last(), QString("invalid input data."));
        form.StatusLine->selectAll();
        form.StatusLine->copy();
        QCOMPARE(QApplication::clipboard()->text(), form.StatusLine->text());
    }

    // Ctrl+S, Ctrl+E and Ctrl+Shift+C act wherever the focus is, an edit
    // field included; before any map they only say so.
    void theMapLeavesTheWindowByItsKeys() {
        TestForm form;
        QTemporaryDir dir;
        form.show();
        form.Edits[8]->setFocus();
        QTest::keyClick(form.Edits[8], Qt::Key_S, Qt::ControlModifier);
        QVERIFY(form.StatusLine->text().startsWith("no map yet"));

        const SampleCopy sample("cancer-89x26.txt");
        form.answer = {sample.path()};
        QTimer::singleShot(30, &form, [&form] { QTest::mouseClick(form.Button3, Qt::LeftButton); });
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        form.saveAs = dir.filePath("map@2x.png");
        QTest::keyClick(form.Edits[8], Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(QImage(form.saveAs).width(), 1282);
        QVERIFY(QImage(form.saveAs).height() > 1266);  // the caption and legend below the map
        // The run's outcome leads; what the save did follows.
        QVERIFY(form.StatusLine->text().startsWith("MRP-MDS stopped at step "));
        QVERIFY(form.StatusLine->text().contains("  \u00b7  map picture written to "));
        form.saveAs = dir.filePath("points");
        QTest::keyClick(form.Memo1, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(QFileInfo(dir.filePath("points.tsv")).size() > 0);
        // A picture's name without an extension takes the type chosen: PNG unless another.
        form.saveAs = dir.filePath("plain");
        QTest::keyClick(form.Memo1, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!QImage(dir.filePath("plain.png")).isNull());
        form.saveType = "SVG drawing (*.svg)";
        QTest::keyClick(form.Memo1, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(QFileInfo(dir.filePath("plain.svg")).size() > 0);
        // Neither the input nor a file the runs keep beside it takes them.
        const qint64 inputSize = QFileInfo(sample.path()).size();
        form.saveAs = sample.path();
        QTest::keyClick(form.Memo1, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(
            form.StatusLine->text().contains("error: not saved: " + sample.path() + " is the input file"));
        QCOMPARE(QFileInfo(sample.path()).size(), inputSize);
        form.saveAs = QFileInfo(sample.path()).dir().filePath("soc.dat");
        QTest::keyClick(form.Memo1, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(form.StatusLine->text().contains(" is soc.dat beside the input file"));
        QVERIFY(!QFileInfo::exists(form.saveAs));
        // Nor a link, one to a file no run has written yet neither.
        form.saveAs = dir.filePath("linked.tsv");
        QVERIFY(QFile::link(dir.filePath("later.dat"), form.saveAs));
        QTest::keyClick(form.Memo1, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(form.StatusLine->text().contains("error: not saved: " + form.saveAs + " is a symbolic link"));
        QVERIFY(!QFileInfo::exists(dir.filePath("later.dat")));
        QTest::keyClick(form.Edits[8], Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::clipboard()->image().width(), 641);
        QCOMPARE(form.Edits[8]->text(), QString("0.32"));  // the keys typed nothing into the field
        form.answer.clear();
        QTest::mouseClick(form.Button2, Qt::LeftButton);  // the dialog opens where the last file was
        QCOMPARE(form.openedIn.last(), QFileInfo(sample.path()).absolutePath());
    }

    // "Input size" and "Vect. dim" follow each file chosen until typed in;
    // what is typed holds for the runs on that file, and what is typed
    // before a run for that run, whichever file it opens. The open dialog
    // starts in the working folder.
    void theFieldsFollowTheChosenFile() {
        TestForm form;
        const SampleCopy iris("iris-150x4.txt"), cancer("cancer-89x26.txt");
        form.answer = {iris.path()};
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.openedIn.first(), QDir::currentPath());
        QCOMPARE(form.session().map.n, 150);
        QVERIFY2(form.StatusLine->text().contains("Input size 150, Vect. dim 4 from iris-150x4.txt"),
                 qPrintable(form.StatusLine->text()));
        form.Edits[12]->selectAll();
        QTest::keyClicks(form.Edits[12], "50");
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().map.n, 50);
        form.answer = {cancer.path()};
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().map.n, 89);
        QCOMPARE(form.Edits[13]->text(), QString("26"));
        form.Edits[12]->selectAll();
        QTest::keyClicks(form.Edits[12], "401");
        form.answer = {iris.path()};
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.Memo1->Lines().last(), QString("max size: 400"));
        form.Edits[12]->selectAll();
        QTest::keyClicks(form.Edits[12], "20");
        form.answer = {cancer.path()};
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().map.n, 20);
    }

    // "auto" beside the MRP fields runs MRP-MDS with the three values chosen
    // for the file and leaves them in the fields, so that MRP-MDS with them
    // makes the same clusters and lists them alike.
    void autoWritesTheChosenMrpValuesAndTheyRepeatTheClusters() {
        TestForm form;
        const SampleCopy iris("iris-150x4.txt");
        form.answer = {iris.path()};
        const QString typed[] = {"0.05", "5", "0.9"};  // no clusters at all
        for (int f = 0; f < 3; ++f) form.Edits[8 + f]->setText(typed[f]);
        QTest::mouseClick(form.MrpAutoButton, Qt::LeftButton);
        QVERIFY2(form.session().clusters.count >= 2, qPrintable(form.Memo1->Lines().join('\n')));
        QStringList chosen;
        for (int f = 0; f < 3; ++f) chosen << form.Edits[8 + f]->text();
        QVERIFY2(chosen != QStringList(std::begin(typed), std::end(typed)), qPrintable(chosen.join(' ')));
        const std::vector<ClusterMark> marks = form.session().clusters.marks;
        const QStringList listing = form.Memo1->Lines();
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        for (int f = 0; f < 3; ++f) QCOMPARE(form.Edits[8 + f]->text(), chosen[f]);
        QVERIFY(form.session().clusters.marks == marks);
        QCOMPARE(form.Memo1->Lines(), listing);
    }

    // "all rows" takes every row of the file: the map holds them all, and a
    // typed "Input size" is said not to apply.
    void allRowsMapsEveryRow() {
        QTemporaryDir dir;
        QFile file(dir.filePath("rows.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 450; ++i) file.write(QByteArray::number(i % 17) + "\t" + QByteArray::number(i % 23) + "\n");
        file.close();
        TestForm form;
        form.answer = {file.fileName()};
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().map.n, 400);  // "Input size" follows the file up to what a map takes
        form.Edits[12]->selectAll();
        QTest::keyClicks(form.Edits[12], "50");
        form.AllRowsBox->setChecked(true);
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().map.n, 450);
        QCOMPARE(form.session().landmarks.count, 400);
        QVERIFY2(form.StatusLine->text().contains("\"Input size\" 50 does not apply with all rows"),
                 qPrintable(form.StatusLine->text()));
    }

    // The roles given in "columns…" hold for the runs on their file alone,
    // until its columns change.
    // Ctrl+M saves the map on show, Ctrl+O shows it again after another
    // run, Ctrl+P places the rows of its file on it as a second layer: each
    // lands on its own point, or on that of an earlier row it equals.
    void aMapSavedOpensAgainAndTakesRows() {
        const SampleCopy sample("iris-150x4.txt");
        TestForm form;
        form.show();
        RunIris(form, sample);
        const std::vector<float> coords = form.session().map.coords;
        form.saveAs = QFileInfo(sample.path()).absolutePath() + "/iris";
        QTest::keyClick(form.Memo1, Qt::Key_M, Qt::ControlModifier);
        const QString saved = form.saveAs + ".itemmap";
        QVERIFY(QFile::exists(saved));
        form.Edits[11]->setText("1");
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().shown.axes, 1);
        form.answer = {saved};
        QTest::keyClick(form.Memo1, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(form.session().shown.axes, 2);
        QVERIFY(form.session().map.coords == coords);
        form.answer = {sample.path()};
        QTest::keyClick(form.Memo1, Qt::Key_P, Qt::ControlModifier);
        const Session& s = form.session();
        QCOMPARE(s.landmarks.layerFrom, 151);
        QCOMPARE(s.map.n, 300);
        int onOwn = 0;
        for (int i = 1; i <= 150; ++i) {
            const auto on = [&](int j) {
                return s.map.Point(150 + i)[1] == s.map.Point(j)[1] && s.map.Point(150 + i)[2] == s.map.Point(j)[2];
            };
            onOwn += on(i);
            bool onAny = false;
            for (int j = 1; j <= i; ++j) onAny = onAny || on(j);
            QVERIFY(onAny);
        }
        QVERIFY(onOwn >= 145);
    }

    // Without a seed the status line names the clock's: typed into the
    // seed field, it repeats that run exactly.
    void theClocksSeedTypedInRepeatsTheRun() {
        const SampleCopy sample("iris-150x4.txt");
        TestForm form;
        form.show();
        RunIris(form, sample);
        const QString status = form.StatusLine->text();
        const qsizetype at = status.indexOf("seed ");
        QVERIFY2(at >= 0 && status.indexOf(", the clock's", at) > at, qPrintable(status));
        const QString seed = status.mid(at + 5, status.indexOf(',', at) - at - 5);
        const std::vector<float> coords = form.session().map.coords;
        form.SeedEdit->setText(seed);
        RunIris(form, sample);
        QVERIFY(form.session().map.coords == coords);
        QVERIFY(!form.StatusLine->text().contains("the clock's"));
    }

    void theColumnsControlGivesTheRunsTheirRoles() {
        QTemporaryDir dir;
        const auto write = [&](const char* name, const QByteArray& text) {
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) qFatal("cannot write %s", name);
            return dir.filePath(name);
        };
        QByteArray table = "a,b,c,target\n";
        for (int i = 0; i < 30; ++i) table += QByteArray::number(i % 7) + "," + QByteArray::number(i * 3 % 11) +
                                              "," + QByteArray::number(i % 5 + 0.5) + "," + QByteArray::number(i % 3) + "\n";
        const QString first = write("first.csv", table), other = write("other.csv", table);
        TestForm form;
        form.answer = {first};
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().table.ClassCount(), 3);
        QVERIFY(form.StatusLine->text().contains("\"columns\u2026\" keeps it a feature"));
        form.roles = ReadOptions{"0", "0", {"2"}, ColumnScale::None};  // target a feature, b left out
        QTest::mouseClick(form.ColumnsButton, Qt::LeftButton);
        QCOMPARE(form.columnsShown.columns, 4);
        QCOMPARE(form.columnsShown.role[4], ColumnRole::Class);
        QVERIFY(form.columnsShown.firstValues[1].rfind("0, 1, 2", 0) == 0);
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().VectorDim, 3);
        QVERIFY(!form.session().table.HasClasses());
        form.answer = {other};
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(form.session().VectorDim, 3);
        QCOMPARE(form.session().table.ClassCount(), 3);
        form.answer = {first};
        write("first.csv", table.replace("target", "label").replace("a,b,", "a,"));
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QVERIFY(form.StatusLine->text().contains("the columns of first.csv changed"));
        QCOMPARE(form.session().table.ClassCount(), 3);
    }

    // A hint's value applies with its key and runs again on the same file,
    // without the dialog; not while a run is going.
    void aSuggestionAppliesInOneAction() {
        TestForm form;
        const SampleCopy sample("iris-150x4.txt");
        form.answer = {sample.path()};
        form.Edits[8]->setText("0.01");
        form.show();
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QVERIFY2(form.StatusLine->text().contains("fits [E or a double-click here: "),
                 qPrintable(form.StatusLine->text()));
        QVERIFY(form.StatusLine->text().contains("there (mean distance 2.545) [D or a double-click here: "));
        const int dialogs = form.openedIn.size();
        QTest::keyClick(form.Memo1, Qt::Key_E);
        QCOMPARE(form.openedIn.size(), dialogs);
        QVERIFY(form.Edits[4]->text() != "3");
        QVERIFY2(!form.StatusLine->text().contains("pressed against the map's border"),
                 qPrintable(form.StatusLine->text()));
        QTest::keyClick(form.Memo1, Qt::Key_D);
        QVERIFY(form.Edits[8]->text() != "0.01");
        QVERIFY(form.session().clusters.count > 0);
        QCOMPARE(form.openedIn.size(), dialogs);
    }

    void anErrorInAHandlerIsShownAndTheWindowGoesOn() {
        TestForm form;
        form.throwInDialog = true;
        QString shown;
        QTimer::singleShot(50, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(shown, QString("the disk went away"));
        QVERIFY(!RunInProgress(form.session()));
    }

    // Values spread over 0..100,000 keep the training error above 500 at
    // every one of the 2,000,000 steps: the first 100 list their item, the
    // status line counts the others, and the run takes no longer for them.
    void aSocRunWithAnAlarmAtEveryStepListsAHundredQuickly() {
        TestForm form;
        QTemporaryDir dir;
        const QString path = dir.filePath("large.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 89; ++i)
            for (int j = 1; j <= 26; ++j)
                file.write(QByteArray::number(((i * 37 + j * 11) % 1000) * 100) + (j < 26 ? "\t" : "\n"));
        file.close();
        form.answer = {path};
        form.show();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(form.Button10, Qt::LeftButton);
        QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(form.Memo1->model()->rowCount() < 2000 + 200);  // the progress lines, and little else
        QVERIFY(form.StatusLine->text().contains(" more steps had a smoothed error above 500"));
        QVERIFY(QFileInfo(dir.filePath("weights.dat")).size() > 0);
    }

    void closingDuringSocStillWritesTheResults() {
        TestForm form;
        const SampleCopy sample("cancer-89x26.txt");
        form.answer = {sample.path()};
        form.show();
        QTimer::singleShot(50, &form, [&form] { form.close(); });
        QTest::mouseClick(form.Button10, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        const QDir dir = QFileInfo(sample.path()).dir();
        for (const char* name : {"soc.dat", "weights.dat", "clusters.dat"})
            QVERIFY2(QFileInfo(dir.filePath(name)).size() > 0, name);
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
