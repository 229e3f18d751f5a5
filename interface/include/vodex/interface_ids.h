// The interface identifiers of the published classes. Each class answers to its current
// identifier (first) and to those of its earlier published versions, so that drivers and
// programs built against an earlier library keep working.
#pragma once

#include <string_view>

namespace vodex::iid {

inline constexpr std::string_view int_Device[] = {"{7A34D1C1-967F-4929-AA55-CC2B1740AA60}",
                                                  "{5E7FC451-2F22-471B-815C-7F1C51B060A6}",
                                                  "{C6C96514-BBDF-4C02-B404-C81AAD359024}"};
inline constexpr std::string_view int_DeviceEvents[] = {"{0F9AFC05-D185-4B69-8E8E-9F7325034198}",
                                                        "{038216AA-39C9-4ABB-8A73-03C28A8958E7}",
                                                        "{2344AB02-2F32-402D-9277-A420CC56CC38}"};
inline constexpr std::string_view cls_DeviceInfo[] = {
    "{0E40DAB1-F828-4A84-B58E-CB145F47A7B0}", "{E40A17A4-9F46-4831-BC55-DB021156EAF2}",
    "{2298D962-80BB-42C7-BC1F-08215E8BABA9}", "{DC0D6EA9-FBC6-4FD5-B141-41801739553B}",
    "{42C1EA86-A665-471E-9F83-CD7F870C09D1}", "{2ECF5EBA-F251-4BA2-A9DA-AD1B049CFC78}",
    "{F6F754FF-A3FF-44AE-97F5-C9970990174E}", "{E395D8C9-5B12-489A-8F5B-B07EDD090522}",
    "{13E267AD-94B3-4888-8A98-198BDD91DC73}"};
inline constexpr std::string_view cls_DeviceChannel[] = {"{63F22471-4A36-4B76-9E42-C488D0E96140}",
                                                         "{3F4FDCB6-F730-4EDA-924D-D1AC9B3C6C4D}"};
inline constexpr std::string_view cls_DevicePorts[] = {"{557F13A6-C18D-4EE1-B97E-C2FC739ED4E8}",
                                                       "{A195BDEF-2048-4373-AC24-4382452F887F}"};
inline constexpr std::string_view cls_DeviceChannels[] = {"{B70CFD98-6C5A-4CF7-B01F-F10F3CC66F04}"};
inline constexpr std::string_view cls_DevicePort[] = {"{6D3ED601-D7E4-4AE3-A218-10F137010F72}"};
inline constexpr std::string_view cls_DeviceComsettings[] = {
    "{660290E1-B6DD-4280-820E-ABACDF700A9D}"};
inline constexpr std::string_view cls_DeviceDatafield[] = {
    "{061BDCB0-58E1-458E-814A-CE9062E58548}"};
inline constexpr std::string_view cls_DeviceDialog[] = {"{F257828E-5C07-432C-B4ED-2A39113346F9}"};
inline constexpr std::string_view cls_DeviceTool[] = {"{DB0522A8-BD32-4D9A-9FA5-A71282E6FC61}",
                                                      "{9AA3FC6F-A309-4B2B-B159-10032D76D7F4}"};
inline constexpr std::string_view cls_DeviceManager[] = {"{654D1998-BB14-438D-A5B5-09DA070B540F}"};
inline constexpr std::string_view sys_Device[] = {"{F9D6FE7C-9E19-4621-9179-2B39664366BE}"};
inline constexpr std::string_view inf_DeviceInterface[] = {
    "{08D27F04-C0FA-478F-9856-FF2EFCA83FA7}"};
inline constexpr std::string_view cls_VQPort[] = {"{21222EB6-25EB-4DBA-BF7F-B93BFC5CADAB}"};
inline constexpr std::string_view cls_VQPortTool[] = {"{02BA7494-9C41-41BB-8D37-0EB24865C80A}"};
inline constexpr std::string_view cls_VQPortToolTime[] = {"{AEC2532D-DF14-4B26-916C-7C688A5EEB8E}"};
inline constexpr std::string_view cls_VQPortToolConv[] = {"{1280AB01-6148-48D6-A7F0-85CF3087F84F}"};
inline constexpr std::string_view tmp_Device[] = {"{7732DB70-E94F-4C47-B72B-5F07613E84B4}"};

}  // namespace vodex::iid
