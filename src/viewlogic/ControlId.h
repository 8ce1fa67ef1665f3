#pragma once

// Controls of the main form, by the numbers the form binds them to.
enum class ControlId : int {
    GraphPanel = 1000,      // graph panel, painted by DrawGraph
    ModeCombo = 1001,       // display mode
    DeviceList = 1002,      // one entry per spectrometer
    ExposureDown = 1003,    // "-"
    ExposureUp = 1004,      // "+"
    ExposureEdit = 1005,    // exposure time, microseconds
    ExposureUpdate = 1006,  // "更新"
    DataList = 1007,        // one entry per stored record
    Acquire = 1008,         // "データ取得" / "取得停止" / "モニター再開"
    Delete = 1009,          // "削除"
    Reference = 1010,       // "基準登録"
    SaveCsv = 1011,         // "CSV保存"
    Comparison = 1014,      // "参照"
    AveragingCombo = 1015,  // averaging count 1..100
    Redetect = 1016,        // "再検出"
    ExposureLabel = 1019,   // "露光時間(us)"
    AveragingLabel = 1021,  // "平均回数"
    DataListLabel = 1022,   // "データリスト"
    Continuous = 1023,      // "連続"
    IntervalEdit = 1024,    // continuous interval, milliseconds
    MeasurePlan = 1025,     // "計測プラン"
    AuxEdit = 1033,         // auxiliary setting (firmware above 1.5)
    Sensor = 1040,          // "Sensor"
    LedDetails = 1047,      // "詳細"
    LedCheck = 1048,        // "LED"
    SettingsNotice = 1049,  // beside the exposure edit: why a value was refused
};
