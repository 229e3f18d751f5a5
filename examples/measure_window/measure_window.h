// The sample program's main window: buttons to choose the device, connect and set up the
// communication, the channels' readings and the chosen channel's curve, measured on a timer.
// While the library waits for the instrument the window stays alive; clicking "Trennen" then
// ends the wait at once and disconnects, and the other buttons wait for the cycle to end.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <string>

#include "session.h"
#include "tlx/clock.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace vodex::example {

class CurveWidget;

class MeasureWindow : public QMainWindow {
  public:
    MeasureWindow();

    // Measures `driverClass` on `port`, `channel` without asking (for the pictures and tests).
    bool Start(const std::string& driverClass, std::int32_t port, std::int32_t channel);
    // One measuring cycle, as the timer runs it.
    void Measure();
    bool Connected() const { return session_.Connected(); }

  private:
    bool Connect();
    // The connect button: connects, or disconnects; during a cycle it stops the cycle's wait
    // and disconnects once the cycle is over.
    void ConnectOrStop();
    // Ends a cycle or a connection attempt: disconnects when that was asked meanwhile.
    void Finish();
    void Show();

    MeasureSession session_;
    tlx::cls_CoreTimer clock_;
    QTimer timer_;
    bool busy_ = false;       // a cycle or a connection attempt is running
    bool stopAsked_ = false;  // disconnect once it has ended
    QPushButton* choose_;
    QPushButton* connect_;
    QPushButton* settings_;
    QLabel* device_;
    QTableWidget* table_;
    CurveWidget* curve_;
};

}  // namespace vodex::example
