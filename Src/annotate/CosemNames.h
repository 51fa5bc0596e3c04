// The names the annotations give to numbers: interface classes with their
// attributes and methods, well-known objects by logical name, and units.
// One constexpr table per kind of name.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vantrel::names {

// An interface class: its id, its name, and the names of its attributes from
// 2 on and of its methods from 1 on, separated by blanks (attribute 1 is
// logical_name in every class).
struct TClassRow {
    uint16_t Id;
    std::string_view Name;
    std::string_view Attributes;
    std::string_view Methods;
};

inline constexpr TClassRow kClasses[] = {
    {1, "Data", "value", ""},
    {3, "Register", "value scaler_unit", "reset"},
    {4, "Extended register", "value scaler_unit status capture_time", "reset"},
    {5, "Demand register",
     "current_average_value last_average_value scaler_unit status capture_time start_time_current period "
     "number_of_periods",
     "reset next_period"},
    {6, "Register activation", "register_assignment mask_list active_mask", "add_register add_mask delete_mask"},
    {7, "Profile generic", "buffer capture_objects capture_period sort_method sort_object entries_in_use profile_entries",
     "reset capture"},
    {8, "Clock",
     "time time_zone status daylight_savings_begin daylight_savings_end daylight_savings_deviation "
     "daylight_savings_enabled clock_base",
     "adjust_to_quarter adjust_to_measuring_period adjust_to_minute adjust_to_preset_time preset_adjusting_time "
     "shift_time"},
    {9, "Script table", "scripts", "execute"},
    {10, "Schedule", "entries", "enable_disable insert delete"},
    {11, "Special days table", "entries", "insert delete"},
    {12, "Association SN", "object_list access_rights_list security_setup_reference user_list current_user", ""},
    {15, "Association LN",
     "object_list associated_partners_id application_context_name xDLMS_context_info authentication_mechanism_name "
     "secret association_status security_setup_reference user_list current_user",
     "reply_to_HLS_authentication change_HLS_secret add_object remove_object add_user remove_user"},
    {17, "SAP assignment", "SAP_assignment_list", "connect_logical_device"},
    {18, "Image transfer",
     "image_block_size image_transferred_blocks_status image_first_not_transferred_block_number "
     "image_transfer_enabled image_transfer_status image_to_activate_info",
     "image_transfer_initiate image_block_transfer image_verify image_activate"},
    {19, "IEC local port setup", "default_mode default_baud prop_baud response_time device_addr pass_p1 pass_p2 pass_w5",
     ""},
    {20, "Activity calendar",
     "calendar_name_active season_profile_active week_profile_table_active day_profile_table_active "
     "calendar_name_passive season_profile_passive week_profile_table_passive day_profile_table_passive "
     "activate_passive_calendar_time",
     "activate_passive_calendar"},
    {21, "Register monitor", "thresholds monitored_value actions", ""},
    {22, "Single action schedule", "executed_script type execution_time", ""},
    {23, "IEC HDLC setup",
     "comm_speed window_size_transmit window_size_receive max_info_field_length_transmit "
     "max_info_field_length_receive inter_octet_time_out inactivity_time_out device_address",
     ""},
    {24, "IEC twisted pair setup", "", ""},
    {25, "M-Bus slave port setup", "", ""},
    {26, "Utility tables", "table_ID length buffer", ""},
    {27, "Modem configuration", "comm_speed initialization_string modem_profile", ""},
    {28, "Auto answer", "mode listening_window status number_of_calls number_of_rings list_of_allowed_callers", ""},
    {29, "Auto connect", "mode repetitions repetition_delay calling_window destination_list", "connect"},
    {30, "Data protection", "", ""},
    {40, "Push setup",
     "push_object_list send_destination_and_method communication_window randomisation_start_interval "
     "number_of_retries repetition_delay",
     "push"},
    {41, "TCP-UDP setup", "TCP_UDP_port IP_reference MSS nb_of_sim_conn inactivity_time_out", ""},
    {42, "IPv4 setup",
     "DL_reference IP_address multicast_IP_address IP_options subnet_mask gateway_IP_address use_DHCP_flag "
     "primary_DNS_address secondary_DNS_address",
     "add_mc_IP_address delete_mc_IP_address get_nbof_mc_IP_addresses"},
    {43, "MAC address setup", "MAC_address", ""},
    {44, "PPP setup", "", ""},
    {45, "GPRS modem setup", "APN PIN_code quality_of_service", ""},
    {46, "SMTP setup", "", ""},
    {47, "GSM diagnostic", "operator status cs_attachment ps_status cell_info adjacent_cells capture_time", ""},
    {48, "IPv6 setup", "", ""},
    {61, "Register table", "table_cell_values table_cell_definition scaler_unit", "reset capture"},
    {62, "Compact data", "compact_buffer capture_objects template_id template_description capture_method",
     "reset capture"},
    {63, "Status mapping", "status_word mapping_table", ""},
    {64, "Security setup", "security_policy security_suite client_system_title server_system_title certificates",
     "security_activate key_transfer key_agreement generate_key_pair generate_certificate_request "
     "import_certificate export_certificate remove_certificate"},
    {65, "Parameter monitor", "changed_parameter capture_time parameter_list parameter_list_active",
     "add_parameter delete_parameter"},
    {67, "Sensor manager", "", ""},
    {68, "Arbitrator", "", ""},
    {70, "Disconnect control", "output_state control_state control_mode", "remote_disconnect remote_reconnect"},
    {71, "Limiter",
     "monitored_value threshold_active threshold_normal threshold_emergency min_over_threshold_duration "
     "min_under_threshold_duration emergency_profile emergency_profile_group_id_list emergency_profile_active "
     "actions",
     ""},
    {72, "M-Bus client",
     "mbus_port_reference capture_definition capture_period primary_address identification_number "
     "manufacturer_id version device_type access_number status alarm configuration encryption_key_status",
     "slave_install slave_deinstall capture reset_alarm_counter synchronize_clock data_send set_encryption_key "
     "transfer_key"},
    {74, "M-Bus master port setup", "", ""},
    {111, "Account", "", ""},
    {112, "Credit", "", ""},
    {113, "Charge", "", ""},
    {115, "Token gateway", "", ""},
};

// A well-known object: the six groups of its logical name, -1 where any
// value matches. The first matching row names the object.
struct TObjectRow {
    std::array<int16_t, 6> Groups;
    std::string_view Name;
};

inline constexpr int16_t kAny = -1;

inline constexpr TObjectRow kObjects[] = {
    {{0, 0, 1, 0, 0, 255}, "Clock"},
    {{0, 0, 42, 0, 0, 255}, "Logical device name"},
    {{0, 0, 43, 1, kAny, 255}, "Invocation counter"},
    {{0, 0, 43, 0, kAny, 255}, "Security setup"},
    {{0, 0, 40, 0, 0, 255}, "Current association"},
    {{0, 0, 40, 0, kAny, 255}, "Association"},
    {{0, 0, 41, 0, 0, 255}, "SAP assignment"},
    {{0, 0, 44, 0, kAny, 255}, "Image transfer"},
    {{0, 0, 25, 9, kAny, 255}, "Push setup"},
    {{0, 0, 25, 0, kAny, 255}, "TCP-UDP setup"},
    {{0, 0, 25, 1, kAny, 255}, "IPv4 setup"},
    {{0, 0, 25, 4, kAny, 255}, "GPRS modem setup"},
    {{0, 0, 22, 0, 0, 255}, "HDLC setup"},
    {{0, 0, 10, 0, kAny, 255}, "Script table"},
    {{0, 0, 11, 0, kAny, 255}, "Special days table"},
    {{0, 0, 13, 0, kAny, 255}, "Activity calendar"},
    {{0, 0, 15, 0, kAny, 255}, "Single action schedule"},
    {{0, 0, 17, 0, kAny, 255}, "Limiter"},
    {{0, 0, 96, 1, 0, 255}, "Meter serial number"},
    {{0, 0, 96, 1, kAny, 255}, "Device ID"},
    {{0, 0, 96, 3, 10, 255}, "Disconnect control"},
    {{0, 0, 96, 14, 0, 255}, "Currently active tariff"},
    {{0, 0, 96, 11, kAny, 255}, "Event code"},
    {{0, 0, 97, 97, kAny, 255}, "Error register"},
    {{0, 0, 99, 98, kAny, 255}, "Event log"},
    {{1, 0, 0, 2, 0, 255}, "Active firmware identifier"},
    {{1, 0, 0, 9, 1, 255}, "Local time"},
    {{1, 0, 0, 9, 2, 255}, "Local date"},
    {{1, kAny, 99, 1, kAny, 255}, "Load profile 1"},
    {{1, kAny, 99, 2, kAny, 255}, "Load profile 2"},
    {{1, kAny, 98, 1, kAny, 255}, "Billing period values"},
    {{1, kAny, 1, 8, 0, 255}, "Active energy import (+A), total"},
    {{1, kAny, 1, 8, kAny, 255}, "Active energy import (+A), tariff"},
    {{1, kAny, 2, 8, 0, 255}, "Active energy export (-A), total"},
    {{1, kAny, 2, 8, kAny, 255}, "Active energy export (-A), tariff"},
    {{1, kAny, 3, 8, kAny, 255}, "Reactive energy import (+R)"},
    {{1, kAny, 4, 8, kAny, 255}, "Reactive energy export (-R)"},
    {{1, kAny, 1, 6, kAny, 255}, "Maximum demand active import (+A)"},
    {{1, kAny, 2, 6, kAny, 255}, "Maximum demand active export (-A)"},
    {{1, kAny, 1, 4, kAny, 255}, "Active power import (+P), current average"},
    {{1, kAny, 1, 7, kAny, 255}, "Active power import (+P)"},
    {{1, kAny, 2, 7, kAny, 255}, "Active power export (-P)"},
    {{1, kAny, 13, 7, kAny, 255}, "Power factor"},
    {{1, kAny, 14, 7, kAny, 255}, "Supply frequency"},
    {{1, kAny, 31, 7, kAny, 255}, "Current L1"},
    {{1, kAny, 51, 7, kAny, 255}, "Current L2"},
    {{1, kAny, 71, 7, kAny, 255}, "Current L3"},
    {{1, kAny, 32, 7, kAny, 255}, "Voltage L1"},
    {{1, kAny, 52, 7, kAny, 255}, "Voltage L2"},
    {{1, kAny, 72, 7, kAny, 255}, "Voltage L3"},
};

// Units by their enumeration value.
struct TUnitRow {
    uint8_t Value;
    std::string_view Symbol;
};

inline constexpr TUnitRow kUnits[] = {
    {1, "a"},       {2, "mo"},     {3, "wk"},       {4, "d"},        {5, "h"},        {6, "min"},
    {7, "s"},       {8, "deg"},    {9, "degC"},     {10, "currency"}, {11, "m"},       {12, "m/s"},
    {13, "m3"},     {14, "m3 corrected"}, {15, "m3/h"}, {16, "m3/h corrected"}, {17, "m3/d"}, {18, "m3/d corrected"},
    {19, "l"},      {20, "kg"},    {21, "N"},       {22, "Nm"},      {23, "Pa"},      {24, "bar"},
    {25, "J"},      {26, "J/h"},   {27, "W"},       {28, "VA"},      {29, "var"},     {30, "Wh"},
    {31, "VAh"},    {32, "varh"},  {33, "A"},       {34, "C"},       {35, "V"},       {36, "V/m"},
    {37, "F"},      {38, "Ohm"},   {39, "Ohm m2/m"}, {40, "Wb"},     {41, "T"},       {42, "A/m"},
    {43, "H"},      {44, "Hz"},    {45, "1/(Wh)"},  {46, "1/(varh)"}, {47, "1/(VAh)"}, {48, "V2h"},
    {49, "A2h"},    {50, "kg/s"},  {51, "S"},       {52, "K"},       {53, "1/(V2h)"}, {54, "1/(A2h)"},
    {55, "1/m3"},   {56, "%"},     {57, "Ah"},      {70, "dBm"},     {71, "dBuV"},    {72, "dB"},
    {254, "other unit"}, {255, "count"},
};

// The class of an id, or null.
const TClassRow* FindClass(int Id) noexcept;
// The name of attribute (from 1) or method (from 1) Index of a class; empty when not known.
std::string_view AttributeName(const TClassRow& Class, int Index) noexcept;
std::string_view MethodName(const TClassRow& Class, int Index) noexcept;
// The name of the well-known object of a logical name (six octets), or empty.
std::string_view ObjectName(const uint8_t* Groups) noexcept;
// The symbol of a unit, or empty.
std::string_view UnitSymbol(int Value) noexcept;

}  // namespace vantrel::names
