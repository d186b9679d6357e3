#include "queue/UnitEvent.h"

std::string LinkFailureText(const TUnitEvent& e) {
    switch (e.Failure) {
    case TLinkFailure::None:
        break;
    case TLinkFailure::PortNotOpened:
        // The splash is all the operator sees of it: it says why too.
        return "Ошибка при открытии COM-порта: " + e.Subject +
               (e.Text.empty() ? "" : " — " + e.Text);
    case TLinkFailure::ModemNotReady:
        return "ОШИБКА инициализации модема: " + e.Subject;
    case TLinkFailure::ModemRefused:
        return "Не прошла команда: " + e.Subject;
    case TLinkFailure::NotDialled:
        return "Не могу дозвониться до: " + e.Subject + "\nПопытка " + std::to_string(e.Step) +
               " из " + std::to_string(e.Total) +
               "\nОтвет модема: " + (e.Text.empty() ? std::string("нет ответа") : e.Text);
    case TLinkFailure::NoAnswer:
        return "ОШИБКА! Устройство не ответило!\nПроверьте питание блока, кабель и "
               "выбранный COM-порт (или номер и модем при звонке).";
    case TLinkFailure::LinkFault:
        return "ОШИБКА! Сбой соединения";
    case TLinkFailure::WrongFirmware:
        return "ОШИБКА! Неверная версия прошивки";
    case TLinkFailure::VersionUnreadable:
        return "ОШИБКА при проверке версии!";
    }
    return {};
}

const char* WalkPhaseWord(TWalkPhase Phase) {
    switch (Phase) {
    case TWalkPhase::Read:
        return "Чтение";
    case TWalkPhase::Write:
        return "Запись";
    case TWalkPhase::Verify:
        return "Проверка";
    }
    return "";
}
