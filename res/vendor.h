/* The vendor's texts, in one place for the resource script and the code. */
#ifndef TOBRIK_VENDOR_H
#define TOBRIK_VENDOR_H

/* The vendor's web site; also the registry key under HKEY_CURRENT_USER\Software. */
#define TOBRIK_VENDOR_SITE "tobrik.example"
#define TOBRIK_COMPANY_NAME "Tobrik Software"
#define TOBRIK_SUPPORT_CONTACT "support@tobrik.example"

#define TOBRIK_APPLICATION_TITLE "Tobrik Mouse by " TOBRIK_VENDOR_SITE

#endif
