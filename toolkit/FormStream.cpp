#include "FormStream.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <system_error>

void TMemoryStream::ReadBuffer(void* Buffer, std::size_t Count) {
    if (Count > FBytes.size() - std::min(FPosition, FBytes.size()))
        throw EReadError("Stream read error");
    if (Count > 0)
        std::memcpy(Buffer, FBytes.data() + FPosition, Count);
    FPosition += Count;
}

void TMemoryStream::WriteBuffer(const void* Buffer, std::size_t Count) {
    if (Count == 0)
        return;
    if (FPosition + Count > FBytes.size())
        FBytes.resize(FPosition + Count);
    std::memcpy(FBytes.data() + FPosition, Buffer, Count);
    FPosition += Count;
}

void TMemoryStream::SetPosition(std::size_t Value) {
    FPosition = Value;
}

TPublishedProperties& TPublishedProperties::Add(TPublishedProperty Property) {
    FItems.push_back(std::move(Property));
    return *this;
}

const TPublishedProperty* TPublishedProperties::Find(const std::string& Name) const {
    for (const TPublishedProperty& P : FItems)
        if (P.Name == Name)
            return &P;
    return nullptr;
}

namespace {
std::map<std::string, TComponentFactory>& Registry() {
    static std::map<std::string, TComponentFactory> R;
    return R;
}
} // namespace

void RegisterComponentClass(const std::string& ClassName, TComponentFactory Factory) {
    Registry()[ClassName] = std::move(Factory);
}

namespace FormStreamDetail {

[[noreturn]] void WrongKind(const std::string& Property, const TStoredValue&) {
    throw EReadError("Invalid property value for " + Property);
}

[[noreturn]] void OutOfRange(const std::string& Property, const TStoredValue&) {
    throw EReadError("Property value out of range for " + Property);
}

std::string FloatText(float Value) {
    if (std::isnan(Value))
        return "NaN";
    if (std::isinf(Value))
        return Value < 0 ? "-Inf" : "Inf";
    char Buffer[64];
    const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
    return std::string(Buffer, R.ptr);
}

float FloatFromText(const std::string& Property, const TStoredValue& Value) {
    if (Value.Kind == TStoredValue::vkInteger)
        return static_cast<float>(Value.Integer);
    if (Value.Kind != TStoredValue::vkFloat)
        WrongKind(Property, Value);
    float F = 0;
    const char* First = Value.Text.data();
    const char* Last = First + Value.Text.size();
    const auto R = std::from_chars(First, Last, F);
    if (R.ec != std::errc() || R.ptr != Last)
        OutOfRange(Property, Value);
    return F;
}

} // namespace FormStreamDetail

std::string WriteComponentText(const TComponent&) {
    throw std::logic_error("WriteComponentText: not implemented yet");
}

void ReadComponentText(const std::string&, TComponent&) {
    throw std::logic_error("ReadComponentText: not implemented yet");
}
