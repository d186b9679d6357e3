#pragma once
// Sample values the pages offer as defaults and in their explanations. All
// of them are plainly fictitious: a mobile number of zeros, generic access
// point names, a server address from the documentation range.

inline constexpr const char* SamplePhoneNational = "9000000000";
inline constexpr const char* SamplePhoneInternational = "+79000000000";
inline constexpr const char* SampleAccessPoint1 = "internet.mts.ru";
inline constexpr const char* SampleServerAddress = "192.0.2.1";
