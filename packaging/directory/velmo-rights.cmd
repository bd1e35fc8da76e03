@echo off
rem Access rules of the product's containers, least privilege. Run it as a
rem Domain Admin (or an Enterprise Admin for an application partition) after
rem velmo-containers.ldif, with the domain's NetBIOS name:
rem
rem   velmo-rights.cmd CORP
rem
rem It grants rights to three groups that must exist first (README.md beside
rem this file says who belongs in each):
rem   Velmo OTP Servers       member servers: provision and update records
rem   Velmo OTP Workstations  workstations: post logon requests
rem   Velmo OTP Service       the OTP service's account: reads secrets, answers
rem Everything else stays as the classes' default security has it:
rem administrators have full control, Authenticated Users read the records
rem and the global settings but never a confidential attribute.
setlocal
if "%~1"=="" (echo usage: %~nx0 NETBIOS-DOMAIN & exit /b 2)
set D=%~1
set P=DC=Velmo,DC=com

rem Member servers create records and keep them up to date, secrets included.
dsacls "CN=SecretKeys,%P%" /G "%D%\Velmo OTP Servers:CC;kvSecretKey"
dsacls "CN=SecretKeys,%P%" /I:S /G "%D%\Velmo OTP Servers:RPWP;;kvSecretKey" "%D%\Velmo OTP Servers:CA;kvOathSecret;kvSecretKey" "%D%\Velmo OTP Servers:CA;kvUserAttr1;kvSecretKey"

rem The OTP service checks codes against the secrets and spends accepted codes.
dsacls "CN=SecretKeys,%P%" /I:S /G "%D%\Velmo OTP Service:RP;;kvSecretKey" "%D%\Velmo OTP Service:CA;kvOathSecret;kvSecretKey" "%D%\Velmo OTP Service:WP;kvOathHistory;kvSecretKey" "%D%\Velmo OTP Service:WP;kvOathCounter;kvSecretKey"

rem Workstations post requests; whoever posted one reads its reply and deletes it.
dsacls "CN=SelfEnrolls,%P%" /G "%D%\Velmo OTP Workstations:CC;kvSelfEnroll"
dsacls "CN=SelfEnrolls,%P%" /I:S /G "CREATOR OWNER:RPSD;;kvSelfEnroll" "CREATOR OWNER:CA;kvUserAttr1;kvSelfEnroll"

rem Only the OTP service reads the requests' codes and writes the replies.
dsacls "CN=SelfEnrolls,%P%" /I:S /G "%D%\Velmo OTP Service:RP;;kvSelfEnroll" "%D%\Velmo OTP Service:CA;kvUserAuthData;kvSelfEnroll" "%D%\Velmo OTP Service:CA;kvUserAttr1;kvSelfEnroll" "%D%\Velmo OTP Service:WP;kvReplyToken;kvSelfEnroll" "%D%\Velmo OTP Service:WP;kvUserAttr1;kvSelfEnroll"
