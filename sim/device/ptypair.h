#pragma once

#include <QString>

// A pseudo-terminal pair in raw mode: the client opens slavePath() with QSerialPort like a USB serial port, and the
// simulated device (or a test) reads and writes the master side, which stands for the device's end of the cable.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return masterSide >= 0; }
    int masterFd() const { return masterSide; }
    QString slavePath() const { return slaveName; }

    // Closes the master side: to the client this looks like the device being unplugged.
    void closeMaster();

private:
    int masterSide = -1;
    int slaveSide = -1; // kept open so that the line exists before and between the client's opens
    QString slaveName;
};
