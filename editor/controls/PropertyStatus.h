#pragma once
// Outcome of assigning a property that can refuse its value. Commands that
// skip a failing assignment (Choose Fonts) look at it and go on.
enum class PropertyStatus {
    Ok,
    InvalidValue, // the value is outside what the property accepts
};

inline const char* statusText(PropertyStatus s)
{
    switch (s) {
    case PropertyStatus::Ok: return "ok";
    case PropertyStatus::InvalidValue: return "invalid property value";
    }
    return "unknown";
}
