// The port behaviours on the Win32 backend: a COM port under wine, which is a
// pseudo-terminal served by the simulator on the Linux side (wine-test.sh),
// so the component goes through the Windows communications functions and
// wine's serial driver. The simulator runs as a bare wire and is driven
// through its control line.

#include "PortBehaviour.h"
#include "WinTestSupport.h"

namespace {

class TComFarEnd : public TFarEnd {
public:
    TComFarEnd() { FSim.Reset("--raw"); }

    const TPortTraits& Traits() const override {
        static const TPortTraits traits = [] {
            const std::string notSerial = "это не последовательный порт";
            TPortTraits t;
            // No such device; a device without line settings.
            t.NotAPort = {{"COM199", "нет такого порта"}, {"NUL", notSerial}};
            t.ErrorTag = "(Win32 error ";
            // Windows refuses a second open of a port (no sharing); wine does
            // not enforce that for its serial devices.
            t.SecondOpenRefused = !UnderWine();
            // Wine's serial driver cannot move RTS or DTR on a pseudo-terminal
            // (as Linux cannot); on Windows a real port moves them.
            t.ModemLinesMove = !UnderWine();
            t.ModemLineRefusal = "Unable to update device control block. (Win32 error ";
            t.DropAccount = "Unable to read from port. (Win32 error ";
            t.LineEvents = !UnderWine();
            // Wine reports RTS under handshake as merely enabled.
            t.RtsUnderHandshake = UnderWine() ? fsRTSEnabled : fsRTSHandshake;
            // Wine's own threads run beside the test's.
            t.QuietProcessCpuMs = 150;
            return t;
        }();
        return traits;
    }
    std::string PortName() const override { return SimPort(); }
    void Send(const std::string& Bytes) override {
        FSim.Command("send " + EscapeForControl(Bytes));
    }
    std::string Received(std::size_t AtLeast, int TimeoutMs) override {
        return FSim.Received(AtLeast, TimeoutMs);
    }
    void Hold(bool On) override { FSim.Command(On ? "hold on" : "hold off"); }
    void Drop() override { FSim.Command("drop"); }
    std::string Line() override { return FSim.Line(); }

private:
    TSimControlClient FSim;
};

std::unique_ptr<TFarEnd> MakeComFarEnd() {
    return std::make_unique<TComFarEnd>();
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Com, PortBehaviour, ::testing::Values(&MakeComFarEnd));
