// The Wii remote through Linux's hid-wiimote driver and its xwiimote
// library. Pairing is the Bluetooth stack's business: once a remote is
// connected to the system the kernel exposes it as a device, so finding one
// is an enumeration that returns at once.
//
// Built whenever xwiimote.h and the library are installed (switched off with
// -DVELKARI_XWIIMOTE=OFF).
#include "wiiremote.h"

#include <QLoggingCategory>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <xwiimote.h>

namespace {

Q_LOGGING_CATEGORY(lcXwii, "velkari.wii.xwiimote")

// The kernel reports Motion Plus rates already centred and scaled up from
// the remote's raw units (by 18 in its slow mode); bring them back to the
// raw scale the jogging window integrates.
constexpr int kKernelRateScale = 18;

std::int16_t rawRate(std::int32_t kernelValue)
{
    const std::int32_t v = kernelValue / kKernelRateScale;
    return std::int16_t(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

std::uint16_t buttonBit(unsigned int code)
{
    switch (code) {
    case XWII_KEY_TWO:
        return wiiremote::kButtonTwo;
    case XWII_KEY_ONE:
        return wiiremote::kButtonOne;
    case XWII_KEY_B:
        return wiiremote::kButtonB;
    case XWII_KEY_A:
        return wiiremote::kButtonA;
    default:
        return 0;
    }
}

class XwiimoteRemote : public WiiRemoteBackend
{
public:
    ~XwiimoteRemote() override { cleanup(); }

    bool init(int) override
    {
        cleanup();
        return true;
    }

    int find(int count, int) override
    {
        m_path.clear();
        if (count < 1)
            return 0;
        xwii_monitor *monitor = xwii_monitor_new(false, false);
        if (!monitor)
            return 0;
        while (char *path = xwii_monitor_poll(monitor)) {
            if (m_path.empty())
                m_path = path;
            std::free(path);
        }
        xwii_monitor_unref(monitor);
        return m_path.empty() ? 0 : 1;
    }

    int connect(int) override
    {
        if (m_path.empty())
            return 0;
        if (xwii_iface_new(&m_iface, m_path.c_str()) != 0) {
            m_iface = nullptr;
            return 0;
        }
        if (xwii_iface_open(m_iface, XWII_IFACE_CORE | XWII_IFACE_WRITABLE) != 0) {
            qCWarning(lcXwii) << "cannot open" << m_path.c_str();
            xwii_iface_unref(m_iface);
            m_iface = nullptr;
            return 0;
        }
        // Hot-plug reports tell when the Motion Plus comes or goes.
        xwii_iface_watch(m_iface, true);
        m_state = WiiRemoteState();
        return 1;
    }

    void setLeds(int pattern) override
    {
        if (!m_iface || pattern == m_leds)
            return;
        m_leds = pattern;
        for (unsigned int i = 0; i < 4; ++i)
            xwii_iface_set_led(m_iface, XWII_LED1 + i, (pattern & (wiiremote::kLed1 << i)) != 0);
    }

    void rumble(bool on) override
    {
        if (m_iface)
            xwii_iface_rumble(m_iface, on);
    }

    int poll() override
    {
        if (!m_iface)
            return 0;
        m_state.released = 0;
        m_state.event = wiiremote::EventNone;
        xwii_event ev;
        // One report per call: the window handles each before the next.
        int result;
        while ((result = xwii_iface_dispatch(m_iface, &ev, sizeof(ev))) == 0) {
            switch (ev.type) {
            case XWII_EVENT_KEY: {
                const std::uint16_t bit = buttonBit(ev.v.key.code);
                if (!bit)
                    continue;
                if (ev.v.key.state == 0) {
                    m_state.buttons = std::uint16_t(m_state.buttons & ~bit);
                    m_state.released = bit;
                } else {
                    m_state.buttons = std::uint16_t(m_state.buttons | bit);
                }
                return ordinary();
            }
            case XWII_EVENT_MOTION_PLUS:
                m_state.gyro = {rawRate(ev.v.abs[0].x), rawRate(ev.v.abs[0].y),
                                rawRate(ev.v.abs[0].z)};
                return ordinary();
            case XWII_EVENT_WATCH:
                // Also what comes when the kernel takes the device away: a
                // remote whose core interface is gone is disconnected.
                if (!(xwii_iface_opened(m_iface) & XWII_IFACE_CORE) ||
                    !(xwii_iface_available(m_iface) & XWII_IFACE_CORE))
                    return gone();
                refreshMotionPlus();
                m_state.event = wiiremote::EventStatus;
                return 1;
            default:
                continue;
            }
        }
        // Nothing to read is -EAGAIN; any other failure (-ENODEV once the
        // remote is switched off or out of range) means it is gone.
        if (result != -EAGAIN)
            return gone();
        return 0;
    }

    const WiiRemoteState &state() const override { return m_state; }

    void setMotionPlus(bool on) override
    {
        m_wantMotionPlus = on;
        refreshMotionPlus();
    }

    void motionSensing(bool on) override
    {
        if (!m_iface || on == m_sensing)
            return;
        m_sensing = on;
        if (on)
            xwii_iface_open(m_iface, XWII_IFACE_ACCEL);
        else
            xwii_iface_close(m_iface, XWII_IFACE_ACCEL);
    }

    void cleanup() override
    {
        // Dropping the last reference closes every interface.
        if (m_iface)
            xwii_iface_unref(m_iface);
        m_iface = nullptr;
        m_path.clear();
        m_leds = -1;
        m_sensing = false;
        m_state = WiiRemoteState();
    }

private:
    int gone()
    {
        m_state.buttons = 0;
        m_state.event = wiiremote::EventDisconnect;
        return 1;
    }

    int ordinary()
    {
        m_state.event = wiiremote::EventOrdinary;
        return 1;
    }

    // Opens the Motion Plus interface when it is wanted and plugged in, and
    // reports the expansion accordingly.
    void refreshMotionPlus()
    {
        if (!m_iface)
            return;
        const bool available = (xwii_iface_available(m_iface) & XWII_IFACE_MOTION_PLUS) != 0;
        bool open = (xwii_iface_opened(m_iface) & XWII_IFACE_MOTION_PLUS) != 0;
        if (m_wantMotionPlus && available && !open)
            open = xwii_iface_open(m_iface, XWII_IFACE_MOTION_PLUS) == 0;
        m_state.expansion =
            open && available ? wiiremote::kExpansionMotionPlus : wiiremote::kExpansionNone;
    }

    std::string m_path;
    xwii_iface *m_iface = nullptr;
    WiiRemoteState m_state;
    int m_leds = -1;
    bool m_sensing = false;
    bool m_wantMotionPlus = false;
};

} // namespace

std::unique_ptr<WiiRemoteBackend> makeXwiimoteRemote()
{
    return std::make_unique<XwiimoteRemote>();
}
