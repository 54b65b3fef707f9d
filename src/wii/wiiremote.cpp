#include "wiiremote.h"

#include <algorithm>

#ifdef VELKARI_HAVE_XWIIMOTE
std::unique_ptr<WiiRemoteBackend> makeXwiimoteRemote(); // wiiremote_xwiimote.cpp
#endif

WiiRemoteBackend::~WiiRemoteBackend() = default;

std::unique_ptr<WiiRemoteBackend> makePlatformWiiRemote()
{
#ifdef VELKARI_HAVE_XWIIMOTE
    return makeXwiimoteRemote();
#else
    return std::make_unique<AbsentWiiRemote>();
#endif
}

// ---------------------------------------------------------------- scripted

void ScriptedWiiRemote::queue(std::uint16_t buttons, std::array<std::int16_t, 3> gyro,
                              bool motionPlus)
{
    WiiRemoteState s;
    s.expansion = motionPlus ? wiiremote::kExpansionMotionPlus : wiiremote::kExpansionNone;
    s.gyro = gyro;
    s.buttons = buttons;
    s.released = std::uint16_t(m_lastQueued & ~buttons);
    s.event = wiiremote::EventOrdinary;
    queueRaw(s);
}

void ScriptedWiiRemote::queueRaw(const WiiRemoteState &report)
{
    m_queue.push_back(report);
    m_lastQueued = report.buttons;
}

int ScriptedWiiRemote::count(const std::string &call) const
{
    return int(std::count(calls.begin(), calls.end(), call));
}

bool ScriptedWiiRemote::init(int)
{
    calls.push_back("init");
    ++inits;
    m_found = false;
    m_connected = false;
    return true;
}

int ScriptedWiiRemote::find(int count, int)
{
    calls.push_back("find");
    const int n = std::min(count, remotesPresent);
    m_found = n > 0;
    return n;
}

int ScriptedWiiRemote::connect(int count)
{
    calls.push_back("connect");
    m_connected = m_found && connectSucceeds;
    return m_connected ? std::min(count, remotesPresent) : 0;
}

void ScriptedWiiRemote::setLeds(int pattern)
{
    calls.push_back("leds");
    leds.push_back(pattern);
}

void ScriptedWiiRemote::rumble(bool on)
{
    calls.push_back("rumble");
    rumbles.push_back(on);
}

int ScriptedWiiRemote::poll()
{
    ++polls;
    if (!m_connected || m_queue.empty())
        return 0;
    m_state = m_queue.front();
    m_queue.pop_front();
    return 1;
}

void ScriptedWiiRemote::setMotionPlus(bool)
{
    calls.push_back("motionplus");
    ++motionPlusRequests;
}

void ScriptedWiiRemote::motionSensing(bool on)
{
    calls.push_back("sensing");
    sensing.push_back(on);
}

void ScriptedWiiRemote::cleanup()
{
    calls.push_back("cleanup");
    ++cleanups;
    m_found = false;
    m_connected = false;
}
