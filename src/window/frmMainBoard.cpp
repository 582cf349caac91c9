// The board the sketch is meant for and the meter of its flash budget, in the free area below
// the slot actions.
#include "window/frmMain.h"

#include "common/Preferences.h"
#include "export/FlashBudget.h"
#include "window/LabelledComboBox.h"
#include "window/Readouts.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>

namespace wtb {

void frmMain::createBudgetControls() {
    cboBoard = labelledComboBox(
        this, {"lblBoard", QStringLiteral("Board:"), QRect(316, 278, 40, 20), "cboBoard",
               QRect(358, 276, 180, 22), QStringLiteral("Board"),
               QStringLiteral("The board the sketch is for: the meter beside it compares the "
                              "sample table with the flash it leaves.")});
    for (const BoardInfo& info : boards()) {
        cboBoard->addItem(QString::fromUtf8(info.displayName.data(),
                                            static_cast<qsizetype>(info.displayName.size())),
                          static_cast<int>(info.board));
    }
    const std::optional<Board> remembered = boardFromId(preferredBoardId().toStdString());
    setBoard(remembered.value_or(Board::Uno));
    connect(cboBoard, &QComboBox::activated, this, [this] {
        setPreferredBoardId(QString::fromUtf8(
            boardInfo(board()).id.data(), static_cast<qsizetype>(boardInfo(board()).id.size())));
        updateBudgetMeter();
    });

    prgBudget = new QProgressBar(this);
    prgBudget->setObjectName(QStringLiteral("prgBudget"));
    prgBudget->setGeometry(544, 276, 290, 22);
    prgBudget->setTextVisible(true);
    prgBudget->setAccessibleName(QStringLiteral("Flash budget"));
}

Board frmMain::board() const {
    return static_cast<Board>(cboBoard->currentData().toInt());
}

void frmMain::setBoard(Board chosen) {
    cboBoard->setCurrentIndex(cboBoard->findData(static_cast<int>(chosen)));
    updateBudgetMeter();
}

void frmMain::updateBudgetMeter() {
    if (!prgBudget) {
        return;
    }
    FlashBudget budget;
    try {
        budget = flashBudget(bank_, board());
    } catch (const std::exception& error) {
        // A bank that cannot be summed (a slot never loaded) has no budget to show.
        prgBudget->setRange(0, 1);
        prgBudget->setValue(0);
        prgBudget->setFormat(QStringLiteral("No budget"));
        prgBudget->setToolTip(QString::fromUtf8(error.what()));
        return;
    }
    const QLocale locale = QLocale::c();
    const QString bytes = locale.toString(budget.bytes);
    const QString room = locale.toString(budget.room);
    prgBudget->setRange(0, budget.room);
    prgBudget->setValue(std::min(budget.bytes, budget.room));
    prgBudget->setFormat(QStringLiteral("Table %1 of %2 bytes").arg(bytes, room));
    const QString tip =
        QStringLiteral("The sketch's table holds %1 bytes (each slot's end index + 1); the %2 "
                       "leaves %3 bytes for it beside a minimal player.%4")
            .arg(bytes, cboBoard->currentText(), room,
                 budget.fits ? QString() : QStringLiteral(" It does not fit."));
    prgBudget->setToolTip(tip);
    prgBudget->setAccessibleDescription(tip);
    QPalette palette = prgBudget->palette();
    palette.setColor(QPalette::Highlight, budget.fits ? QColor(0x30, 0x8c, 0x3c) : Qt::red);
    prgBudget->setPalette(palette);
    prgBudget->setProperty("fits", budget.fits);
    // The readout's whole text, and the bytes it does not count.
    lblTotalSample->setToolTip(plainToolTip(
        QStringLiteral("%1\nThe sketch's table will hold %2 bytes: the sum of each slot's end "
                       "index + 1.")
            .arg(lblTotalSample->text().simplified(), bytes)));
}

} // namespace wtb
