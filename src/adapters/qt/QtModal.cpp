#include "adapters/qt/QtModal.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "adapters/qt/QtText.h"

namespace wl {

namespace {
unsigned buttonsOf(unsigned type) { return type & 0xFu; }
}  // namespace

int showMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned type) {
    QMessageBox box(owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(toQString(caption));
    box.setTextFormat(Qt::PlainText);  // the program's texts are shown as they are
    box.setText(toQString(text));
    box.setIcon(QMessageBox::NoIcon);
    switch (buttonsOf(type)) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return safeAnswer(type);
    }
}

QStringList nameFiltersFrom(const std::string& filter) {
    // Split on the zero bytes; an empty piece ends the list, as the double zero does.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < filter.size()) {
        size_t end = filter.find('\0', start);
        if (end == std::string::npos) end = filter.size();
        if (end == start) break;
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    QStringList out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QString description = toQString(parts[i]).trimmed();
        QStringList patterns;
        for (const QString& p : toQString(parts[i + 1]).split(u';', Qt::SkipEmptyParts)) {
            QString q = p.trimmed();
            if (q == QLatin1String("*.*")) q = QStringLiteral("*");  // every file, as the platform means it
            if (!q.isEmpty()) patterns << q;
        }
        if (patterns.isEmpty()) continue;
        QString joined = patterns.join(u' ');
        // Descriptions usually name their pattern already: "waveaudio files (*.wav)".
        QString suffix = QStringLiteral("(") + joined + QStringLiteral(")");
        if (description.endsWith(suffix))
            out << description;
        else
            out << (description.isEmpty() ? suffix : description + u' ' + suffix);
    }
    return out;
}

bool runFileDialog(QWidget* owner, FileDialogParams& params, bool save) {
    QString title = params.title.empty() ? (save ? QStringLiteral("Save As") : QStringLiteral("Open"))
                                         : toQString(params.title);
    QFileDialog dlg(owner, title);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setWindowModality(Qt::ApplicationModal);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile
                         : (params.allowMultiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile));
    QStringList filters = nameFiltersFrom(params.filter);
    if (!filters.isEmpty()) dlg.setNameFilters(filters);
    if (!params.initialDir.empty()) dlg.setDirectory(toQString(params.initialDir));
    if (!params.defaultExt.empty()) dlg.setDefaultSuffix(toQString(params.defaultExt));
    if (!params.file.empty()) {
        QFileInfo initial(toQString(params.file));
        if (params.file.find('/') != std::string::npos && initial.absoluteDir().exists())
            dlg.setDirectory(initial.absolutePath());
        dlg.selectFile(initial.fileName());
    }
    if (dlg.exec() != QDialog::Accepted) return false;
    QStringList chosen = dlg.selectedFiles();
    if (chosen.isEmpty()) return false;
    params.file = toUtf8(chosen.front());
    params.files.clear();
    if (params.allowMultiple)
        for (const QString& f : chosen) params.files.push_back(toUtf8(f));
    return true;
}

}  // namespace wl
