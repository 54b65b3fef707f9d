// Our own small driver layer for a Wii remote with the Wii Motion Plus
// gyroscope: the handful of operations the jogging window needs (prepare,
// find, connect, LEDs, rumble, poll, Motion Plus, motion sensing, release)
// and the part of the remote's state it reads. Backends behind it: a
// scripted remote for tests, one that never finds anything (the default
// where no real backend is built), and, when configured, one on Linux's
// xwiimote library.
//
// Every operation returns at once. A backend whose discovery takes time
// must do it in the background and report what it found at a later find();
// the window calls find() from the GUI thread every two seconds and must
// never stall there.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace wiiremote {

// The expansion code the Motion Plus is reported with.
constexpr int kExpansionNone = 0;
constexpr int kExpansionMotionPlus = 5;

// Button bits of the state word.
constexpr std::uint16_t kButtonTwo = 0x0001;
constexpr std::uint16_t kButtonOne = 0x0002;
constexpr std::uint16_t kButtonB = 0x0004;
constexpr std::uint16_t kButtonA = 0x0008;

// LED bits: LED 1 is 0x10, LED 4 is 0x80.
constexpr int kLed1 = 0x10;
constexpr int kLed2 = 0x20;
constexpr int kLed3 = 0x40;
constexpr int kLed4 = 0x80;

enum EventType
{
    EventNone = 0,
    EventOrdinary = 1, // buttons or motion data
    EventStatus = 2,
    EventConnect = 3,
    EventDisconnect = 4,
};

} // namespace wiiremote

// What one poll tells about the remote.
struct WiiRemoteState
{
    int expansion = wiiremote::kExpansionNone;
    std::array<std::int16_t, 3> gyro{}; // raw Motion Plus values, in the remote's order
    std::uint16_t buttons = 0;          // buttons down now
    std::uint16_t released = 0;         // buttons that went up with this event
    int event = wiiremote::EventNone;
};

class WiiRemoteBackend
{
public:
    virtual ~WiiRemoteBackend();

    // Prepares room for `count` remotes; false when the system has no way to
    // reach one. Whatever init() took, cleanup() gives back.
    virtual bool init(int count) = 0;
    // How many remotes (at most `count`) are there to connect to.
    // `timeoutSeconds` bounds a background search; the call itself returns
    // at once.
    virtual int find(int count, int timeoutSeconds) = 0;
    // How many of the found remotes are now connected.
    virtual int connect(int count) = 0;
    // An LED pattern from the kLed bits.
    virtual void setLeds(int pattern) = 0;
    virtual void rumble(bool on) = 0;
    // Takes the next report, if any: the number of remotes with an event
    // (0 or 1). state() then tells what happened.
    virtual int poll() = 0;
    virtual const WiiRemoteState &state() const = 0;
    virtual void setMotionPlus(bool on) = 0;
    virtual void motionSensing(bool on) = 0;
    // Disconnects and releases what init() took.
    virtual void cleanup() = 0;
};

// The backend this build talks to real remotes with: the xwiimote one when it
// was built in, otherwise one that never finds a remote.
std::unique_ptr<WiiRemoteBackend> makePlatformWiiRemote();

// Finds nothing, ever: the window keeps searching and says so.
class AbsentWiiRemote : public WiiRemoteBackend
{
public:
    bool init(int) override { return true; }
    int find(int, int) override { return 0; }
    int connect(int) override { return 0; }
    void setLeds(int) override {}
    void rumble(bool) override {}
    int poll() override { return 0; }
    const WiiRemoteState &state() const override { return m_state; }
    void setMotionPlus(bool) override {}
    void motionSensing(bool) override {}
    void cleanup() override {}

private:
    WiiRemoteState m_state;
};

// A remote that plays back the reports a test queues, and writes down every
// call made to it, in order, so the test can check what the window did.
class ScriptedWiiRemote : public WiiRemoteBackend
{
public:
    // How the next connection attempts go.
    int remotesPresent = 1;
    bool connectSucceeds = true;

    // Queues an ordinary report: the buttons down, the gyroscope values and
    // whether the Motion Plus is reported. The buttons that went up since the
    // previous queued report are marked released, as a remote reports them.
    void queue(std::uint16_t buttons, std::array<std::int16_t, 3> gyro = {},
               bool motionPlus = true);
    // Queues a report exactly as given.
    void queueRaw(const WiiRemoteState &report);
    std::size_t pending() const { return m_queue.size(); }

    // What was done to the remote.
    std::vector<std::string> calls; // "init", "find", "connect", "leds", ...
    std::vector<int> leds;          // every pattern written, in order
    std::vector<bool> rumbles;      // every rumble switch, in order
    std::vector<bool> sensing;      // every motion-sensing switch, in order
    int motionPlusRequests = 0;
    int polls = 0; // not in `calls`: the window polls as fast as it can
    int inits = 0;
    int cleanups = 0;
    bool connected() const { return m_connected; }
    int count(const std::string &call) const;

    bool init(int count) override;
    int find(int count, int timeoutSeconds) override;
    int connect(int count) override;
    void setLeds(int pattern) override;
    void rumble(bool on) override;
    int poll() override;
    const WiiRemoteState &state() const override { return m_state; }
    void setMotionPlus(bool on) override;
    void motionSensing(bool on) override;
    void cleanup() override;

private:
    std::deque<WiiRemoteState> m_queue;
    WiiRemoteState m_state;
    std::uint16_t m_lastQueued = 0;
    bool m_found = false;
    bool m_connected = false;
};
