// The port behaviours on a pseudo-terminal, with the simulator as a bare wire
// on its master side in this process.

#include <filesystem>

#include "PortBehaviour.h"
#include "sim/Simulator.h"

namespace {

class TPtyFarEnd : public TFarEnd {
public:
    TPtyFarEnd() : FSim(RawWire()) {}

    const TPortTraits& Traits() const override {
        static const TPortTraits traits = [] {
            const std::string noSuchPort = "нет такого порта";
            const std::string notSerial = "это не последовательный порт";
            TPortTraits t;
            t.NotAPort = {{"ttyORBnosuch", noSuchPort}, // looked up under /dev
                          {"/dev/orb/none", noSuchPort},
                          {std::filesystem::temp_directory_path().string(), notSerial},
                          {"/dev/null", notSerial}};
            t.ErrorTag = "(POSIX error ";
            // Taken even for root: the component locks the port.
            t.SecondOpenReason = "порт занят другой программой";
            t.ModemLineRefusal = "Unable to update device control block. (POSIX error 25: ";
            t.DropAccount = "Unable to read from port. (POSIX error 5: Input/output error)";
            return t;
        }();
        return traits;
    }
    std::string PortName() const override { return FSim.SlavePath(); }
    void Send(const std::string& Bytes) override { FSim.Unit().SendUnsolicited(Bytes); }
    std::string Received(std::size_t AtLeast, int TimeoutMs) override {
        return FSim.TakeReceived(AtLeast, TimeoutMs);
    }
    void Hold(bool On) override { FSim.SetHold(On); }
    void Drop() override { FSim.Unit().DropLine(); }
    std::string Line() override { return FSim.LineSettings(); }

private:
    static TSimOptions RawWire() {
        TSimOptions options;
        options.Raw = true;
        return options;
    }
    TSimulator FSim;
};

std::unique_ptr<TFarEnd> MakePtyFarEnd() {
    return std::make_unique<TPtyFarEnd>();
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Pty, PortBehaviour, ::testing::Values(&MakePtyFarEnd));
