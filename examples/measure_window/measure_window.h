// The sample program's main window: buttons to choose the device, connect, set up the
// communication and save what is shown, the channels' readings and a chart of the chosen
// channel (a click on a channel's row shows its curve), measured on a timer. The status bar
// shows the device's status. While the library waits for the instrument the window stays
// alive; clicking "Trennen" then ends the wait at once and disconnects, and the other buttons
// wait for the cycle to end. A device that scans (a photometer) gets a row to record a
// spectrum from one wavelength to another: the chart then shows the spectrum as it comes (x in
// nm), the scan can be stopped, and "Als CSV speichern" saves the spectrum while it is shown.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <string>

#include "session.h"
#include "tlx/clock.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tlx::controls {
class ReadingsChart;
}

namespace vodex::example {

class MeasureWindow : public QMainWindow {
  public:
    MeasureWindow();

    // Measures `driverClass` on `port`, `channel` without asking (for the pictures and tests).
    bool Start(const std::string& driverClass, std::int32_t port, std::int32_t channel);
    // One measuring cycle, as the timer runs it.
    void Measure();
    bool Connected() const { return session_.Connected(); }
    const MeasureSession& Session() const { return session_; }
    // Writes the shown readings as CSV, or the chart as a PNG picture; False with a message
    // box saying why.
    bool SaveCsv(const QString& file);
    bool SavePicture(const QString& file);

  private:
    bool Connect();
    // The connect button: connects, or disconnects; during a cycle it stops the cycle's wait
    // and disconnects once the cycle is over.
    void ConnectOrStop();
    // Ends a cycle or a connection attempt: disconnects when that was asked meanwhile.
    void Finish();
    void Show();
    void DrawChart();
    // The scan button: records a spectrum with the range given, or stops the one running.
    void ScanOrStop();
    void AskAndSave(bool csv);

    MeasureSession session_;
    tlx::cls_CoreTimer clock_;
    QTimer timer_;
    bool busy_ = false;       // a cycle or a connection attempt is running
    bool stopAsked_ = false;  // disconnect once it has ended
    bool scanning_ = false;
    bool showSpectrum_ = false;  // the chart shows the spectrum, not a channel's curve
    double scanFrom_ = 0;
    double scanTo_ = 0;
    QTimer progress_;  // draws the spectrum as it comes
    QPushButton* choose_;
    QPushButton* connect_;
    QPushButton* settings_;
    QPushButton* saveCsv_;
    QPushButton* savePicture_;
    QLabel* device_;
    QWidget* scanRow_;
    QLineEdit* from_;
    QLineEdit* to_;
    QLineEdit* step_;
    QPushButton* scan_;
    QLabel* status_;
    QTableWidget* table_;
    tlx::controls::ReadingsChart* chart_;
};

}  // namespace vodex::example
