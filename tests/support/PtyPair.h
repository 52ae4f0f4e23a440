#pragma once

#include <QByteArray>
#include <string>

// A pseudo-terminal standing in for a cable: the component opens slavePath(), the test
// plays the far end on the master descriptor.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }

    void write(const QByteArray& bytes);
    // Everything that arrives until the line has been quiet for quietMs (or limitMs passed).
    QByteArray readQuiet(int quietMs = 150, int limitMs = 5000);
    void closeMaster();

private:
    int master_ = -1;
    int slaveKeep_ = -1; // keeps the terminal alive while the component is closed
    std::string slavePath_;
};

// CPU seconds used by this process so far.
double processCpuSeconds();
