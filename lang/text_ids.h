#pragma once
// The text identifiers by name: the keys of language.ini and of the built-in texts. Every use
// outside lang/ goes through these names, never a bare number.

namespace LANGUAGE {

enum TextId : int {
    TextVersion = 1001,
    TextVersionRc = 1002,
    TextVersionBuild = 1003,
    TextVersionFinal = 1004,
    TextWindowCaption = 1005,
    TextCopyButton = 1006,
    TextCopyHint = 1007,
    TextListHeading = 1008,
    TextExpertMode = 1009,
    TextTabInterface = 1010,
    TextTabNetwork = 1011,
    TextStatusNonOperational = 1012,
    TextStatusUnreachable = 1013,
    TextStatusDisconnected = 1014,
    TextStatusNoCarrier = 1015,
    TextStatusConnecting = 1016,
    TextStatusConnected = 1017,
    TextStatusOnline = 1018,
    TextBps = 1019,
    TextKbps = 1020,
    TextMbps = 1021,
    TextUnknown = 1022,
    TextMac = 1023,
    TextSpeed = 1024,
    TextAddressType = 1025,
    TextDhcp = 1026,
    TextManual = 1027,
    TextIpAddress = 1028,
    TextIpMask = 1029,
    TextGateway = 1030,
    TextNone = 1031,
    TextInputOctets = 1032,
    TextByteOne = 1033,
    TextByteFew = 1034,
    TextByteMany = 1035,
    TextOutputOctets = 1036,
    TextNoInterfaces = 1037,
    TextGatewayNumbered = 1038,
    TextDns = 1039,
    TextWins = 1040,
    TextInUnicast = 1041,
    TextInNonUnicast = 1042,
    TextInDiscards = 1043,
    TextInErrors = 1044,
    TextOutUnicast = 1045,
    TextOutNonUnicast = 1046,
    TextOutDiscards = 1047,
    TextOutErrors = 1048,
    TextNetworkInterface = 1049,
    TextStatus = 1050,
    TextMenuExit = 1051,
    TextMenuAbout = 1052,
    TextMenuLanguage = 1053,
    TextGbps = 1054,
    TextReceiveRate = 1055,
    TextSendRate = 1056,
};

constexpr int FirstTextId = TextVersion;
constexpr int LastTextId = TextSendRate;
constexpr int TextIdCount = LastTextId - FirstTextId + 1;

} // namespace LANGUAGE
