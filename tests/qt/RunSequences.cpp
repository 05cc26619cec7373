// Runs one named sequence of actions in the window, as a user would in one
// session, and writes what each action left: the message list, the status
// line (its times masked) and the result files beside the input. Two builds
// that give the same transcripts behave alike; scripts/compare-runs diffs
// them.
//
//   run_sequences OUTDIR SAMPLESDIR SEQUENCE
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>

#include "window/TForm1.h"

namespace {

class ScriptedForm : public TForm1 {
public:
    QString file;    // what the open dialog answers
    QString saveAs;  // what the save dialog answers

    // Every run seeded alike, so that two builds draw the same numbers.
    RunChoices Choices() override {
        RunChoices choices = TForm1::Choices();
        choices.seed = 1;
        return choices;
    }

protected:
    QStringList ShowOpenDialog(const QString&) override { return {file}; }
    QString ShowSaveDialog(const QString&, const QString&, const QString&, QString&) override { return saveAs; }
};

class Sitting {
public:
    Sitting(const QString& out, const QString& samples) : out_(out), samples_(samples) {
        QDir().mkpath(out_ + "/data");
    }

    // A sample copied into the sitting's data folder, where runs write.
    QString Sample(const char* name) {
        const QString path = out_ + "/data/" + name;
        QFile::remove(path);
        QFile::copy(samples_ + "/" + name, path);
        return path;
    }

    void Fields(std::map<int, QString> texts) {
        for (const auto& [edit, text] : texts) form_.Edits[edit]->setText(text);
    }
    void Press(QPushButton* button, const QString& file = {}) {
        form_.file = file;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // A click on the map at the first event pump of the action that follows.
    void PickAtFirstPump(QPoint at) {
        QTimer::singleShot(0, &form_,
                           [this, at] { QTest::mouseClick(form_.PaintBox1, Qt::LeftButton, {}, at); });
    }
    void Key(int key, Qt::KeyboardModifiers modifiers, const QString& saveAs = {}) {
        form_.saveAs = saveAs;
        QTest::keyClick(&form_, static_cast<Qt::Key>(key), modifiers);
    }
    ScriptedForm& Form() { return form_; }

    // What the action left, into OUTDIR/NN-name/.
    void Record(const char* name) {
        const QString dir = QString("%1/%2-%3").arg(out_).arg(++step_, 2, 10, QChar('0')).arg(name);
        QDir().mkpath(dir);
        Write(dir + "/memo.txt", form_.Memo1->Lines().join('\n'));
        QString status = form_.StatusLine->toolTip();
        status.replace(QRegularExpression("[0-9]+\\.[0-9]+ s\\b"), "T s");
        status.replace(QRegularExpression("within [0-9]+ ms"), "within T ms");
        Write(dir + "/status.txt", status);
        const QDir data(out_ + "/data");
        for (const QString& f : data.entryList({"*.dat", "*.tsv", "*.txt"}, QDir::Files))
            QFile::copy(data.filePath(f), dir + "/" + f);
    }

private:
    static void Write(const QString& path, const QString& text) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8() + "\n");
    }

    QString out_, samples_;
    ScriptedForm form_;
    int step_ = 0;
};

using Sequence = std::function<void(Sitting&)>;

void MrpMdsOnIris(Sitting& s, const QString& file) {
    s.Fields({{12, "150"}, {13, "4"}, {8, "0.51"}, {9, "2"}, {10, "0.5"}});
    s.Press(s.Form().Button2, file);
}

const std::map<std::string, Sequence>& Sequences() {
    static const std::map<std::string, Sequence> sequences = {
        // MRP-MDS, then SOC, then reload on the same file; the tree, edges,
        // a pick and the coordinates on the way.
        {"mrp-soc-reload",
         [](Sitting& s) {
             const QString iris = s.Sample("iris-150x4.txt");
             MrpMdsOnIris(s, iris);
             s.Record("mrp-mds");
             s.Fields({{7, "0.64"}});
             s.Press(s.Form().Fa);
             s.Fields({{5, "0.3"}});
             s.Press(s.Form().Button1);
             s.Key(Qt::Key_E, Qt::ControlModifier, iris + ".map.tsv");
             s.Record("tree-edges-coordinates");
             s.Fields({{14, "12"}});
             s.Press(s.Form().Button10, iris);
             s.Record("soc");
             QTest::mouseClick(s.Form().PaintBox1, Qt::LeftButton, {}, QPoint(320, 316));
             s.Record("pick");
             s.Press(s.Form().Button9, iris);
             s.Record("reload");
             s.Key(Qt::Key_E, Qt::ControlModifier, iris + ".prototypes.tsv");
             s.Record("reload-coordinates");
         }},
        // SOC twice on the defaults' sample: the second starts from the
        // first's scores.
        {"soc-twice",
         [](Sitting& s) {
             const QString cancer = s.Sample("cancer-89x26.txt");
             s.Press(s.Form().Button10, cancer);
             s.Record("soc");
             s.Press(s.Form().Button10, cancer);
             s.Record("soc-again");
         }},
        // A refused run between two others leaves what a refusal leaves.
        {"refused-between",
         [](Sitting& s) {
             const QString iris = s.Sample("iris-150x4.txt");
             MrpMdsOnIris(s, iris);
             s.Record("mrp-mds");
             s.Fields({{11, "5"}});
             s.Press(s.Form().Button2, iris);
             s.Record("refused");
             s.Fields({{11, "2"}, {12, "89"}, {13, "26"}});
             s.Press(s.Form().Button10, s.Sample("cancer-89x26.txt"));
             s.Record("soc");
         }},
        // A pick while SOC trains, at its first redraw.
        {"pick-during-soc",
         [](Sitting& s) {
             const QString cancer = s.Sample("cancer-89x26.txt");
             s.PickAtFirstPump(QPoint(300, 300));
             s.Press(s.Form().Button10, cancer);
             s.Record("soc");
         }},
        // The named table with classes, on 3 axes, and a matrix.
        {"tables",
         [](Sitting& s) {
             s.Fields({{12, "150"}, {13, "4"}, {11, "3"}});
             s.Press(s.Form().Button2, s.Sample("iris-table.txt"));
             s.Record("iris-table-3-axes");
             s.Fields({{12, "178"}, {13, "0"}, {11, "2"}});
             s.Press(s.Form().Button2, s.Sample("wine-178-distances.txt"));
             s.Record("wine-matrix");
         }},
    };
    return sequences;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4 || !Sequences().count(argv[3])) {
        std::fprintf(stderr, "usage: run_sequences OUTDIR SAMPLESDIR SEQUENCE; sequences:");
        for (const auto& [name, run] : Sequences()) std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    Sitting sitting(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    Sequences().at(argv[3])(sitting);
    return 0;
}
