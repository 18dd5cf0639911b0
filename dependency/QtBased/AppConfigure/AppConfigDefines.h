#pragma once

// The names of the product information (AppConfig file) and of the user
// settings (DefaultInfo file and "appsettings.plist"). Keys are compared
// exactly, letter case included.

// Product information: attributes of the element "AppConfig".
constexpr char DEFAULT_STR_RAEDXML_NAME[] = "AppConfig";
constexpr char FIXED_INFO_DEFAULT_APP_LANGUAGE[] = "en_US";
constexpr char FIXED_INFO_PRODUCTNAME[] = "APPS_PRODUCT_NAME";
constexpr char FIXED_INFO_APP_IDENTIFIER[] = "APP_IDENTIFIER";
constexpr char FIXED_INFO_BRANDNAME[] = "BRAND_KIND";
constexpr char FIXED_INFO_PRODUCT_KIND[] = "PRODUCT_KIND";
constexpr char FIXED_INFO_BUILD_PLATFORM[] = "build_platform";
constexpr char FIXED_INFO_PRODUCTCODE[] = "APPS_PRODUCT_CODE";
constexpr char FIXED_INFO_APPVERSION[] = "VERSION";
constexpr char FIXED_INFO_DEFAULT_LANGUAGE[] = "product_lang";
constexpr char FIXED_INFO_HOMEPAGEURL[] = "APPS_PRODUCT_PAGE";
constexpr char FIXED_INFO_UPDATEURL[] = "APPS_UPDATE_URL";
constexpr char FIXED_INFO_SUPPORTEMAIL[] = "APPS_EMAIL_URL";
constexpr char FIXED_INFO_ORG_HOMEPAGE_URL[] = "APPS_HOME_PAGE_URL";
constexpr char FIXED_INFO_ONLINE_HELP_URL[] = "APPS_HELP_URL";
constexpr char FIXED_INFO_ENCODER_URL[] = "ENCODER_HELP_URL";
constexpr char FIXED_INFO_DECODER_URL[] = "DECODER_HELP_URL";
constexpr char FIXED_INFO_DVD_KNOWLEDGE_URL[] = "url_dvd_knowledge";
// Loaded from the settings file like any key, never written back.
constexpr char FIXED_INFO_INSTALL_PACKAGE_NAME[] = "InstallPackagePath/.";

// The shipped defaults and the user settings files.
constexpr char DEF_XML_DEFAULTINFO_NAME[] = "DefaultInfo";
constexpr char VARIABLE_INFO_SETTINGS_FILE_NAME[] = "appsettings.plist";
constexpr char DEF_XML_BOOL_SYNC_EXIT[] = "Exit_Bool_Sync";
constexpr char DEF_XML_STR_SKIN_DIR_NAME[] = "SkinDirName";

// Settings with computed defaults.
constexpr char VARIABLE_INFO_OUTPUTPATH[] = "OutputPath";
constexpr char VARIABLE_INFO_AUDIOREPLACEFILE_PATH[] = "AudioReplaceFilePath";
constexpr char VARIABLE_INFO_SNAPSHOTSAVEPATH[] = "SnapShotSavePath";
constexpr char VARIABLE_INFO_IMPORTFILE_PATH[] = "ImportFilePath";
constexpr char VARIABLE_INFO_SKINS_STORE_PATH[] = "SkinsStorePath";
constexpr char VARIABLE_INFO_CURSKIN_PATH[] = "CurSkinPath";
constexpr char VARIABLE_INFO_CURSKIN_NAME[] = "CurSkinName";
constexpr char VARIABLE_INFO_SAMPLEEXAMPLE_PATH[] = "SampleExamplePath";
constexpr char VARIABLE_INFO_LAST_LANGUAGE_NAME[] = "LastUseLanguage";
constexpr char VARIABLE_INFO_H264DECODER_INDEX[] = "H264DecoderIndex";
constexpr char VARIABLE_INFO_USEAMDENC[] = "UseAMDEnc";
constexpr char VARIABLE_INFO_USECUDAENC[] = "UseCUDAEnc";
constexpr char VARIABLE_INFO_VIDEOLIB_PATHS[] = "VideoLibPaths";

// Settings whose default is shipped or given by their readers.
constexpr char VARIABLE_INFO_OUTPUTFILEEXIST[] = "OutputFileExist";
constexpr char STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE[] = "LosslessOutputMode";
constexpr char STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT[] = "MaxRunProgressCount";
constexpr char STR_APPVARINFO_NAME_USE_CPU_CORE[] = "UseCPUCore";
constexpr char STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY[] = "TivoMediaAccessKey";
constexpr char VARIABLE_INFO_SNAPSHOTASORGSIZE[] = "SnapShotAsOrgSize";
constexpr char VARIABLE_INFO_SNAPSHOTWIDTH[] = "SnapShotWidth";
constexpr char VARIABLE_INFO_SNAPSHOTHEIGHT[] = "SnapShotHeight";
constexpr char VARIABLE_INFO_SANPSHOT_SAVE_FILTER[] = "SanpshotSaveFilter";
constexpr char STR_APPVARINFO_OPEN_CAMWIZARD_DLG[] = "OpenCamWizardDlg";
constexpr char STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX[] = "ShowOpenCamWizardMsgBox";
constexpr char STR_APPVARINFO_MSG_IMPORT_SUBDIR_OPTION[] = "ImportSubDirOption";
constexpr char STR_APPVARINFO_MSG_IMPORT_SUBDIR_RESULT[] = "ImportSubDirResult";
constexpr char STR_APPVARINFO_DELELETE_OUTPUTTASK_OPTION[] = "DeleteOutputTaskOption";
constexpr char STR_APPVARINFO_DELELETE_OUTPUTTASK_RESULT[] = "DeleteOutputTaskResult";
constexpr char STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY[] = "ShowInfoCamcorderPlay";
constexpr char STR_APPVARINFO_NAME_TIMELINEVIEW_SCALE_VALUE[] = "TimeLineViewScaleValue";
constexpr char VARIABLE_INFO_MAINWINDOW_WIDTH[] = "MainWindowWidth";
constexpr char VARIABLE_INFO_MAINWINDOW_HEIGHT[] = "MainWindowHeight";
constexpr char STR_VARIABLECONFG_NAME_MAINWIN_POS_X[] = "MainWindowPosX";
constexpr char STR_VARIABLECONFG_NAME_MAINWIN_POS_Y[] = "MainWindowPosY";
constexpr char STR_VARIABLECONFG_NAME_MAIN_WINDOW_MAXIMISE[] = "MainWindowMaximise";
constexpr char VARIABLE_INFO_IMAGE_DIR_NAME[] = "ImageDirName";
constexpr char VARIABLE_INFO_URL_COLOR[] = "URLColor";
constexpr char VARIABLE_INFO_MEDIALIB_AUTO_SAVE_NAME[] = "MediaLibAutoSaveName";
constexpr char VARIABLE_INFO_MEDIALIB_FILE_EXPORT[] = "MediaLibFileExport";
constexpr char VARIABLE_INFO_MEDIALIB_FILE_IMPORT[] = "MediaLibFileImport";
constexpr char VARIABLE_INFO_MEDIALIB_FILE_FILTER[] = "MediaLibFileFilter";
constexpr char VARIABLE_INFO_DIR_IMPORT_NAME_FILTER[] = "DirImportNameFilter";
constexpr char STR_VARIABLECONFG_NAME_VIDEO_BACKUP_PATH[] = "VideoBackupPath";
constexpr char VARIABLE_INFO_DEFAULTBACKUP_DIR_NAME[] = "DefaultBackupDirName";
constexpr char STR_APPVARINFO_YOUTUBE_ACCOUNT_INFO[] = "YoutubeAccountInfo";
