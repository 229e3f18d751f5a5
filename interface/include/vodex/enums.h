// Enumerations shared by the whole toolkit and by drivers.
#pragma once

#include <cstdint>

namespace vodex {

enum enm_DeviceStatus : std::int32_t {
    ID_DeviceStatus_Off = 0,
    ID_DeviceStatus_Init = 1,
    ID_DeviceStatus_Ready = 2,
    ID_DeviceStatus_Deinit = 3,
    ID_DeviceStatus_Error = 4,
};

enum enm_ChannelStatus : std::int32_t {
    ID_ChannelStatus_Ready = 0,
    ID_ChannelStatus_Busy = 1,
    ID_ChannelStatus_ErrOverflow = 100,
    ID_ChannelStatus_ErrUnderrun = 103,
    ID_ChannelStatus_ErrRange = 104,
    ID_ChannelStatus_ErrOverflowOrConnect = 105,
    ID_ChannelStatus_ErrUnderrunOrConnect = 106,
    ID_ChannelStatus_ErrUserDefined = 555,
    ID_ChannelStatus_ErrUnknown = 666,
};

enum enm_DeviceSwitch : std::int32_t {
    ID_DeviceSwitch_Motor1 = 1,
    ID_DeviceSwitch_Motor2 = 2,
    ID_DeviceSwitch_WaveBase = 4,
    ID_DeviceSwitch_Wave = 5,
    ID_DeviceSwitch_Logger = 6,
    ID_DeviceSwitch_Relais1 = 7,
    ID_DeviceSwitch_Relais2 = 8,
    ID_DeviceSwitch_Zero = 9,
    ID_DeviceSwitch_WaveScan = 10,
};

enum enm_DeviceActivation : std::int32_t {
    ID_DeviceAct_Off = 0,
    ID_DeviceAct_On = 1,
    ID_DeviceAct_Set = 2,
    ID_DeviceAct_Get = 3,
    ID_DeviceAct_Other = 4,
};

enum enm_DeviceCategory : std::int32_t {
    ID_DevCat_Unspecified = 0,
    ID_DevCat_ChemicalMultimeterDisplay = 100,
    ID_DevCat_ChemicalMultimeterNoDisplay = 101,
    ID_DevCat_ChemicalMultimeterKit = 102,
    ID_DevCat_Laboratory = 200,
    ID_DevCat_Balance = 300,
    ID_DevCat_Photometer = 400,
    ID_DevCat_Spectrometer = 450,
    ID_DevCat_ChemicalHandheld = 500,
    ID_DevCat_GC = 600,
    ID_DevCat_Other = 700,
    ID_DevCat_Multimeter = 800,
};

// ID_PortCategory_Unknown shares the value 4 with ID_PortCategory_USB.
enum enm_PortCategory : std::int32_t {
    ID_PortCategory_Serial = 1,
    ID_PortCategory_SerialDirect = 2,
    ID_PortCategory_Parallel = 3,
    ID_PortCategory_USB = 4,
    ID_PortCategory_Unknown = 4,
};

enum enm_DeviceComParity : std::int32_t {
    ID_DeviceComParity_None = 0,
    ID_DeviceComParity_Odd = 1,
    ID_DeviceComParity_Even = 2,
    ID_DeviceComParity_Space = 3,
    ID_DeviceComParity_Mark = 4,
};

enum enm_DeviceComStop : std::int32_t {
    ID_DeviceComStop_1_0 = 0,
    ID_DeviceComStop_1_5 = 1,
    ID_DeviceComStop_2_0 = 2,
};

enum enm_DeviceComData : std::int32_t {
    ID_DeviceComData_8 = 0,
    ID_DeviceComData_7 = 1,
    ID_DeviceComData_6 = 2,
    ID_DeviceComData_5 = 3,
    ID_DeviceComData_4 = 4,
};

enum enm_DeviceComHandshake : std::int32_t {
    ID_DeviceComHand_None = 0,
    ID_DeviceComHand_XOnXOff = 1,
    ID_DeviceComHand_RTS = 2,
    ID_DeviceComHand_RTSXOnXOff = 3,
};

enum enm_PortCom : std::int32_t {
    ID_Port_COM1 = 1,
    ID_Port_COM2 = 2,
    ID_Port_COM3 = 3,
    ID_Port_COM4 = 4,
};

// Published for compatibility; no code of the toolkit uses these addresses.
enum enm_PortIO : std::int32_t {
    ID_PortIO_COM1 = 760,
    ID_PortIO_COM2 = 1016,
    ID_PortIO_COM3 = 746,
    ID_PortIO_COM4 = 1000,
};

enum enm_DatafieldSort : std::int32_t {
    ID_DatafieldSort_XAscending = 0,
    ID_DatafieldSort_XDescending = 1,
    ID_DatafieldSort_YAscending = 2,
    ID_DatafieldSort_YDescending = 3,
};

enum enm_DatafieldPreset : std::int32_t {
    ID_DatafieldPreset_Sinus = 1,
};

enum enm_DatafieldComposeOp : std::int32_t {
    ID_DatafieldComposeOp_None = 0,
    ID_DatafieldComposeOp_Sub = 1,
    ID_DatafieldComposeOp_Add = 2,
};

enum enm_DeviceErrorMessage : std::int32_t {
    ID_DeviceError_DeviceMissingOrBroken = 1,
};

// The library's file name, the first part of the type names of its records.
inline constexpr const char* kLibraryName = "Vodex_Interface";

}  // namespace vodex
